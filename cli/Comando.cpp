#include "cli/Comando.h"
#include "cli/LecturaSinEco.h"

#include "core/base/ErrorTendal.h"
#include "core/base/Secreto.h"
#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"

#include <QDir>

#include <iostream>
#include <string>
#include <unistd.h>

QString Comando::opcion(const QString &nombre, bool *falta)
{
    const int i = int(args.indexOf(nombre));
    if (i < 0)
        return {};
    if (i + 1 >= args.size()) {
        if (falta)
            *falta = true;
        args.removeAt(i);
        return {};
    }
    const QString valor = args.at(i + 1);
    args.remove(i, 2);
    return valor;
}

bool Comando::bandera(const QString &nombre)
{
    return args.removeAll(nombre) > 0;
}

std::unique_ptr<Programa> Comando::abrePrograma(Dialogos &dialogos)
{
    auto programa = std::make_unique<Programa>(carpetas, reloj, dialogos);
    try {
        programa->carga();
        if (escribe)
            programa->conexion().exigeEscritura();
    } catch (const ErrorTendal &e) {
        err << e.descripcion() << Qt::endl;
        return nullptr;
    }
    return programa;
}

int Comando::uso(const QString &forma)
{
    err << QStringLiteral("Uso: tendal ") << forma << Qt::endl;
    return 2;
}

QString concuerda(qsizetype n, const char *uno, const char *varios)
{
    return QString::fromUtf8(n == 1 ? uno : varios).arg(n);
}

std::optional<QString> Comando::clave(const QString &valor, const char *variable, const QString &pregunta,
                                      bool *rechazada)
{
    const bool terminal = !entrada && isatty(STDIN_FILENO);
    if (valor == u"-") {
        if (terminal)
            return leeSinEco(err, pregunta);
        if (entrada)
            return entrada->atEnd() ? std::nullopt : std::optional<QString>(entrada->readLine());
        std::string linea;
        if (!std::getline(std::cin, linea))
            return std::nullopt;
        QString leida = QString::fromLocal8Bit(linea);
        if (leida.endsWith(u'\r'))
            leida.chop(1);
        Secreto::borra(linea);
        return leida;
    }
    if (!valor.isEmpty()) {
        *rechazada = true;
        return std::nullopt;
    }
    if (qEnvironmentVariableIsSet(variable))
        return qEnvironmentVariable(variable);
    if (terminal)
        return leeSinEco(err, pregunta);
    return std::nullopt;
}

QString claveEnLinea()
{
    return QStringLiteral("Las contraseñas no se escriben en la línea de comandos, donde cualquier usuario del equipo "
                          "las ve: use «-» para leerlas de la entrada estándar (--clave-ftp - --clave-pago -: la "
                          "primera línea es la contraseña FTP y la segunda la de pago; clave_ftp=- en config), o "
                          "las variables TENDAL_CLAVE_FTP y TENDAL_CLAVE_PAGO; en una terminal se preguntan sin "
                          "mostrarlas.");
}

void Comando::informaRecepcion(CicloRecepcion &ciclo)
{
    QObject::connect(&ciclo, &CicloRecepcion::respuestaRecibida,
                     [this](const QString &archivo, const QString &estado, const QString &ruta) {
                         out << estado << QStringLiteral("  ") << archivo << QStringLiteral("  ")
                             << QDir::toNativeSeparators(ruta) << Qt::endl;
                     });
    // A suspect one is told by the cycle's message.
    QObject::connect(&ciclo, &CicloRecepcion::respuestaPasada,
                     [this](const QString &respuesta, const QString &archivo, const QDateTime &hora, bool sospechosa) {
                         if (sospechosa)
                             return;
                         err << QStringLiteral("Se pasó por alto %1: el servidor la escribió el %2, antes de recibir "
                                               "%3, que sigue esperando su respuesta.")
                                    .arg(respuesta, hora.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                                         archivo)
                             << Qt::endl;
                     });
    QObject::connect(&ciclo, &CicloRecepcion::falloSinMensaje, [this](const QString &descripcion) {
        err << QStringLiteral("La recepción se interrumpió: %1.").arg(descripcion) << Qt::endl;
    });
}
