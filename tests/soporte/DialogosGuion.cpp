#include "tests/soporte/DialogosGuion.h"

#include <QTest>

DialogosGuion::~DialogosGuion()
{
    // A test that failed already may have stopped before the answers it
    // queued were asked for.
    if (!QTest::currentTestFunction() || !QTest::currentTestFailed())
        comprueba();
}

void DialogosGuion::falta(const QString &texto)
{
    if (alFaltar) {
        alFaltar(texto);
        return;
    }
    const QByteArray motivo = (QStringLiteral("Guion de la persona: ") + texto).toUtf8();
    if (QTest::currentTestFunction())
        QTest::qFail(motivo.constData(), __FILE__, __LINE__);
    else
        qFatal("%s", motivo.constData());
}

void DialogosGuion::comprueba()
{
    const auto sobran = [this](qsizetype n, const char *que) {
        if (n > 0)
            falta(QStringLiteral("%1 %2 del guion sin usar").arg(n).arg(QString::fromUtf8(que)));
    };
    sobran(respuestas.size(), "respuesta(s) a preguntas");
    sobran(claves.size(), "contraseña(s)");
    sobran(carpetas.size(), "carpeta(s) o archivo(s)");
    sobran(impresiones.size(), "impresión(es)");
    sobran(archivosPdf.size(), "archivo(s) PDF");
    respuestas.clear();
    claves.clear();
    carpetas.clear();
    impresiones.clear();
    archivosPdf.clear();
}

Dialogos::Respuesta DialogosGuion::mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones)
{
    mensajes.append({texto, titulo, icono, botones});
    if (alMostrar)
        alMostrar(mensajes.last());
    if (botones == Botones::Aceptar)
        return Respuesta::Aceptar;
    if (respuestas.isEmpty()) {
        falta(QStringLiteral("pregunta sin respuesta en el guion: «%1»").arg(texto));
        return Respuesta::No;
    }
    return respuestas.dequeue();
}

std::optional<QString> DialogosGuion::pideClave()
{
    ++clavesPedidas;
    if (claves.isEmpty()) {
        falta(QStringLiteral("se pidió una contraseña que el guion no tiene"));
        return std::nullopt;
    }
    return claves.dequeue();
}

std::optional<QString> DialogosGuion::eligeCarpeta(const QString &inicial)
{
    carpetasIniciales << inicial;
    if (carpetas.isEmpty()) {
        falta(QStringLiteral("se abrió un selector en %1 que el guion no tiene").arg(inicial));
        return std::nullopt;
    }
    return carpetas.dequeue();
}

std::optional<QString> DialogosGuion::eligeArchivo(const QString &inicial, const QString &)
{
    return eligeCarpeta(inicial);
}

std::optional<QString> DialogosGuion::eligeArchivoPdf(const QString &sugerido)
{
    archivosSugeridos << sugerido;
    if (archivosPdf.isEmpty()) {
        falta(QStringLiteral("se pidió guardar %1 como PDF y el guion no lo tiene").arg(sugerido));
        return std::nullopt;
    }
    return archivosPdf.dequeue();
}

bool DialogosGuion::preparaImpresion(QPrinter &impresora)
{
    ++impresionesPedidas;
    if (impresiones.isEmpty()) {
        falta(QStringLiteral("se abrió una impresión que el guion no tiene"));
        return false;
    }
    return impresiones.dequeue()(impresora);
}

QStringList DialogosGuion::textos() const
{
    QStringList t;
    for (const auto &m : mensajes)
        t << m.texto;
    return t;
}
