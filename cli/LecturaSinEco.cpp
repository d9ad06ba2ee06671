#include "cli/LecturaSinEco.h"

#include "core/base/Secreto.h"

#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

std::optional<QString> leeSinEco(QTextStream &err, const QString &pregunta)
{
    err << pregunta << Qt::flush;
    termios antes {};
    tcgetattr(STDIN_FILENO, &antes);
    termios sinEco = antes;
    sinEco.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &sinEco);
    std::string linea;
    const bool ok = bool(std::getline(std::cin, linea));
    tcsetattr(STDIN_FILENO, TCSANOW, &antes);
    err << Qt::endl;
    if (!ok)
        return std::nullopt;
    QString clave = QString::fromLocal8Bit(linea);
    Secreto::borra(linea);
    return clave;
}
