#include "cli/Comando.h"
#include "core/access/ImportadorAccess.h"
#include "core/base/ErrorTendal.h"

#include <QDir>
#include <QFileInfo>

// tendal importar-mdb ARCHIVO [--destino DIR]: copies every table of an
// Access database into a new SQLite file of the same name with ".db" (in
// DIR, or beside the Access file), in one go: an import that fails leaves
// no file. One line per table with its rows.
int comandoImportarMdb(Comando &c)
{
    bool falta = false;
    const QString destino = c.opcion(QStringLiteral("--destino"), &falta);
    if (falta || c.args.size() != 1)
        return c.uso(QStringLiteral("importar-mdb ARCHIVO [--destino CARPETA]"));
    const QFileInfo origen(c.args.first());
    const QDir carpeta(destino.isEmpty() ? origen.absolutePath() : destino);
    const QString archivo = carpeta.filePath(origen.completeBaseName() + QStringLiteral(".db"));
    try {
        if (!QFileInfo(carpeta.path()).isDir())
            throw ErrorTendal(ErrorTendal::RutaNoEncontrada,
                              QStringLiteral("La carpeta %1 no existe").arg(QDir::toNativeSeparators(carpeta.path())));
        const auto tablas = ImportadorAccess::importa(origen.absoluteFilePath(), archivo);
        for (const auto &t : tablas)
            c.out << t.nombre << QStringLiteral(": ") << t.filas << QStringLiteral(" filas") << Qt::endl;
        c.out << QStringLiteral("Base de datos creada: ") << QDir::toNativeSeparators(archivo) << Qt::endl;
    } catch (const ErrorTendal &e) {
        c.err << e.descripcion() << Qt::endl;
        return 1;
    }
    return 0;
}
