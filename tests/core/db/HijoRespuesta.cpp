// Not a test: records a response of a transmission as a receive tick does,
// and stops for good once its file is written, inside the transaction that
// records it, so that a test can kill it there.
//
//   HijoRespuesta BASE TRANSMISION CARPETA NOMBRE

#include "core/db/Conexion.h"
#include "core/db/Diario.h"
#include "tests/soporte/Detencion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 5)
        return 2;
    auto conexion = Conexion::abre(a[1]);
    Diario diario(*conexion);
    const QByteArray bytes = "RESPUESTA A MEDIAS\r\n";
    Diario::RespuestaNueva r;
    r.transmision = a[2].toLongLong();
    r.clase = QStringLiteral("R");
    r.nombre = a[4];
    r.tamano = bytes.size();
    r.contenido = bytes;
    diario.guardaRespuesta(r, QDateTime::currentDateTimeUtc(), [&] {
        QFile f(QDir(a[3]).filePath(a[4]));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
        f.close();
        detenteTrasAnunciar("escrito");
    });
    return 0;
}
