#include "cli/LineaComandos.h"

#include "cli/Comando.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Reloj.h"
#include "core/base/Version.h"

#include <exception>

namespace {

struct Entrada {
    const char *nombre;
    int (*funcion)(Comando &);
    const char *ayuda;
    // It changes the office database: refused on one opened read only.
    bool escribe = false;
};

// Every command of the binary, with its line of help.
const Entrada kComandos[] = {
    {"init", comandoInit,
     "init --patente N --agente TEXTO [--servidor HOST] [--clave-ftp -] [--clave-pago -] [--carpeta-datos DIR] "
     "[--base DIRECCION]\n"
     "      crea la base de datos de la oficina y Tendal.ini; las contraseñas se leen de la entrada estándar (-),\n"
     "      de TENDAL_CLAVE_FTP y TENDAL_CLAVE_PAGO o se preguntan sin mostrarlas, nunca de la línea de comandos;\n"
     "      con --base postgresql://USUARIO@SERVIDOR:PUERTO/BASE la oficina vive en esa base de un servidor\n"
     "      PostgreSQL (que ya existe, vacía), compartida por varios equipos; su contraseña va en ~/.pgpass,\n"
     "      nunca en la dirección"},
    {"config", comandoConfig,
     "config [COLUMNA | COLUMNA=VALOR ...]\n"
     "      muestra o cambia el registro de configuración; clave_ftp=- y clave_pago=- leen la contraseña de\n"
     "      la entrada estándar (o la preguntan sin mostrarla); las contraseñas nunca se muestran;\n"
     "      certificado=ARCHIVO se acepta solo si el archivo existe y tiene al menos un certificado (PEM)"},
    {"reporte", comandoReporte,
     "reporte NOMBRE [--titulo TEXTO]\n      escribe el reporte de revisión de un archivo de respuesta"},
    {"recibir", comandoRecibir,
     "recibir [--espera SEGUNDOS]\n"
     "      recoge las respuestas de los archivos enviados hasta que no quede ninguno (60 s por omisión)",
     true},
    {"enviar", comandoEnviar,
     "enviar [NOMBRE ...] [--sin-espera] [--espera SEGUNDOS] [--si]\n"
     "      envía solo los archivos nombrados (el resto de la lista de envío queda en espera) y espera sus\n"
     "      respuestas (600 s por omisión); sin nombres, envía los julianos del día de los cuatro tipos; de cada\n"
     "      archivo nombrado que no se envía dice por qué y termina con estado 1; la contraseña de pago se toma\n"
     "      de TENDAL_CLAVE_PAGO",
     true},
    {"quitar", comandoQuitar,
     "quitar NOMBRE [--si]\n"
     "      quita un archivo de la lista de envío (mientras espera enviarse) o de la lista de recepción",
     true},
    {"historial", comandoHistorial,
     "historial [--desde dd/MM/yyyy] [--hasta dd/MM/yyyy] [--tipo LETRAS] [--nombre TEXTO] [--pedimento NUMERO] "
     "[--csv]\n"
     "      lista los archivos enviados con sus respuestas, del más reciente al más antiguo; --csv los escribe\n"
     "      como CSV (RFC 4180, UTF-8), un renglón por envío con los nombres, momentos y SHA-256 de sus respuestas"},
    {"acuse", comandoAcuse,
     "acuse NOMBRE\n"
     "      escribe el acuse de envío de un archivo: tamaño, SHA-256, carpeta del servidor, el momento en que el\n"
     "      servidor lo aceptó (hora local y UTC) y cada respuesta con su momento y su SHA-256"},
    {"boletin", comandoBoletin, "boletin\n      actualiza los boletines y escribe la línea del teletipo"},
    {"caterr", comandoCaterr,
     "caterr\n      actualiza el catálogo de errores, las contraseñas y los parámetros desde el servidor", true},
    {"migrar", comandoMigrar,
     "migrar DIRECCION\n"
     "      copia la base de datos de la oficina (Prevalida.db) a la base postgresql://USUARIO@SERVIDOR:PUERTO/BASE\n"
     "      de un servidor PostgreSQL (que ya existe, vacía), en una sola transacción, y dice cuántas filas copió\n"
     "      de cada tabla"},
    {"importar-mdb", comandoImportarMdb,
     "importar-mdb ARCHIVO [--destino CARPETA]\n      copia las tablas de una base de datos Access a una base SQLite "
     "nueva"},
};

QString ayuda()
{
    QString t = QStringLiteral("Uso: tendal [--ini ARCHIVO] [--workdir CARPETA] [COMANDO [opciones]]\n"
                               "       tendal --help | --version\n"
                               "Sin comando abre la ventana principal.\n\nComandos:\n");
    for (const Entrada &e : kComandos)
        t += QStringLiteral("  ") + QString::fromUtf8(e.ayuda) + u'\n';
    t += QStringLiteral("\nVariables: TENDAL_INI, TENDAL_WORKDIR, TENDAL_CLAVE_FTP, TENDAL_CLAVE_PAGO\n");
    return t;
}

} // namespace

LineaComandos::LineaComandos(QTextStream &out, QTextStream &err, QTextStream *entrada)
    : m_out(out)
    , m_err(err)
    , m_entrada(entrada)
{
}

bool LineaComandos::esComando(const QStringList &args)
{
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u"--ini" || args[i] == u"--workdir") {
            ++i;
            continue;
        }
        return true;
    }
    return false;
}

int LineaComandos::ejecuta(QStringList args)
{
    RelojSistema reloj;
    Comando c {args, m_out, m_err, Carpetas(QString(), QString()), reloj};
    bool falta = false;
    const QString ini = c.opcion(QStringLiteral("--ini"), &falta);
    const QString trabajo = c.opcion(QStringLiteral("--workdir"), &falta);
    c.carpetas = Carpetas::resuelve(ini, trabajo);
    c.entrada = m_entrada;
    if (falta) {
        m_err << ayuda() << Qt::flush;
        return 2;
    }
    if (c.args.isEmpty() || c.args.first() == u"--help" || c.args.first() == u"-h" || c.args.first() == u"ayuda") {
        m_out << ayuda() << Qt::flush;
        return c.args.isEmpty() ? 2 : 0;
    }
    if (c.args.first() == u"--version") {
        m_out << QStringLiteral("Tendal ") << Version::texto() << u'\n' << Qt::flush;
        return 0;
    }
    const QString nombre = c.args.takeFirst();
    c.si = c.bandera(QStringLiteral("--si"));
    for (const Entrada &e : kComandos) {
        if (nombre == QLatin1StringView(e.nombre)) {
            c.escribe = e.escribe;
            int estado = 1;
            // A command's own handlers report what they expect; anything
            // else that reaches here (the database lost between two steps)
            // ends the command with its message, never with an abort.
            try {
                estado = e.funcion(c);
            } catch (const ErrorTendal &error) {
                m_err << error.descripcion() << u'\n';
            } catch (const std::exception &error) {
                m_err << QStringLiteral("Error interno: %1\n").arg(QString::fromLocal8Bit(error.what()));
            }
            m_out.flush();
            m_err.flush();
            return estado;
        }
    }
    m_err << QStringLiteral("Comando desconocido: %1\n\n").arg(nombre) << ayuda() << Qt::flush;
    return 2;
}
