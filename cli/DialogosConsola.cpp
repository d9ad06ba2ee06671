#include "cli/DialogosConsola.h"
#include "cli/LecturaSinEco.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

DialogosConsola::DialogosConsola(QTextStream &err, bool siATodo)
    : m_err(err)
    , m_si(siATodo)
{
}

Dialogos::Respuesta DialogosConsola::mensaje(const QString &texto, const QString &, Icono icono, Botones botones)
{
    if (icono == Icono::Critico)
        m_huboError = true;
    QString t = texto;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_err << t;
    if (botones != Botones::Aceptar)
        m_err << (m_si ? QStringLiteral(" [Sí]") : QStringLiteral(" [No]"));
    m_err << Qt::endl;
    if (botones == Botones::Aceptar)
        return Respuesta::Aceptar;
    return m_si ? Respuesta::Si : Respuesta::No;
}

std::optional<QString> DialogosConsola::pideClave()
{
    // The environment's password is offered once; a wrong one is not retried.
    if (qEnvironmentVariableIsSet("TENDAL_CLAVE_PAGO")) {
        if (m_claveEntorno)
            return std::nullopt;
        m_claveEntorno = true;
        return qEnvironmentVariable("TENDAL_CLAVE_PAGO");
    }
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    return leeSinEco(m_err, QStringLiteral("Contraseña de Validación: "));
}

std::optional<QString> DialogosConsola::eligeCarpeta(const QString &)
{
    m_err << QStringLiteral("Sin ventana no hay selector de carpetas: use tendal config COLUMNA=CARPETA.") << Qt::endl;
    return std::nullopt;
}

std::optional<QString> DialogosConsola::eligeArchivo(const QString &, const QString &)
{
    m_err << QStringLiteral("Sin ventana no hay selector de archivos: use tendal config COLUMNA=ARCHIVO.") << Qt::endl;
    return std::nullopt;
}

bool DialogosConsola::preparaImpresion(QPrinter &)
{
    m_err << QStringLiteral(
        "Sin ventana no se imprime: tendal reporte NOMBRE escribe el reporte en la salida estándar.")
          << Qt::endl;
    return false;
}
