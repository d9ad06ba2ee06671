#include "cli/Comando.h"
#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"
#include "core/db/Esquema.h"
#include "core/base/Funciones.h"
#include "core/db/RsParametros.h"

int comandoConfig(Comando &c)
{
    try {
        auto conexion = Conexion::abre(c.carpetas.carpetaBaseDatos());
        RsParametros rs(*conexion);
        const QStringList columnas = Esquema::columnasParametros();
        if (c.args.isEmpty()) {
            for (const QString &col : columnas)
                c.out << col << QStringLiteral("=") << rs.texto(col) << Qt::endl;
            return 0;
        }
        bool asignaciones = false;
        for (const QString &arg : std::as_const(c.args)) {
            const qsizetype igual = arg.indexOf(u'=');
            if (igual < 0) {
                c.out << rs.texto(arg) << Qt::endl;
                continue;
            }
            const QString columna = arg.left(igual);
            const QString valor = arg.mid(igual + 1);
            if (columna.compare(QStringLiteral("clave_ftp"), Qt::CaseInsensitive) == 0)
                rs.asigna(QStringLiteral("PassFTP"), Funciones::Codifica_Cadena(valor));
            else if (columna.compare(QStringLiteral("clave_pago"), Qt::CaseInsensitive) == 0)
                rs.asigna(QStringLiteral("PassBan"), Funciones::Codifica_Cadena(valor));
            else
                rs.asigna(columna, valor);
            asignaciones = true;
        }
        if (asignaciones)
            rs.guarda();
    } catch (const ErrorTendal &e) {
        c.err << e.descripcion() << Qt::endl;
        return 1;
    }
    return 0;
}
