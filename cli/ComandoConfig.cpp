#include "cli/Comando.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/base/Permisos.h"
#include "core/db/Conexion.h"
#include "core/db/Esquema.h"
#include "core/db/RsParametros.h"
#include "core/ftp/ClienteFtp.h"

#include <QDir>

namespace {

// The columns that hold passwords: never printed, never taken from the
// arguments. clave_ftp and clave_pago name the first two in clear.
struct ColumnaClave {
    const char *columna;
    const char *alias;
    const char *variable;
    const char *pregunta;
    bool codificada;
};
const ColumnaClave kClaves[] = {
    {"PassFTP", "clave_ftp", "TENDAL_CLAVE_FTP", "Contraseña FTP: ", true},
    {"PassBan", "clave_pago", "TENDAL_CLAVE_PAGO", "Contraseña de pago electrónico: ", true},
    {"Password", "Password", "", "Contraseña: ", false},
};

const ColumnaClave *columnaClave(const QString &nombre)
{
    for (const ColumnaClave &c : kClaves)
        if (nombre.compare(QLatin1StringView(c.columna), Qt::CaseInsensitive) == 0
            || nombre.compare(QLatin1StringView(c.alias), Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const QString kOculta = QStringLiteral("(no se muestra)");

// The whole-number columns and what each accepts; every other column is text.
struct Numero {
    const char *columna;
    int minimo;
    int maximo;
    const char *acepta;
};
const Numero kNumeros[] = {
    {"Patente", 1, 9999, "un número entero de 1 a 9999"},
    {"tipo_acceso", 0, 2, "0 (MODEM), 1 (INTERNET) o 2 (RADIO MODEM)"},
    {"acc_tel", -1, 0, "-1 (sí) o 0 (no)"},
    {"proxy", -1, 0, "-1 (sí) o 0 (no)"},
    {"vererr", 0, 32767, "un número entero de 0 a 32767"},
    {"VerPar", 0, 32767, "un número entero de 0 a 32767"},
    {"cifrado", 0, 2, "0 (ninguno), 1 (TLS si el servidor lo ofrece) o 2 (TLS obligatorio)"},
    {"espera_respuesta", 1, 1440,
     "los minutos (de 1 a 1440) tras los que un archivo sin respuesta se marca como "
     "demorado"},
};

// The columns the configuration window saves: changing any of them through
// config has that save's side effects.
const char *const kVentana[]
    = {"tipo_acceso", "telefono", "Host_Ras", "Host_Internet", "Host",    "proxy",   "ip_proxy", "val_env",
       "val_rec",     "tra_env",  "tra_rec",  "pag_env",       "pag_rec", "sag_env", "sag_rec"};

bool es(const QString &nombre, const char *columna)
{
    return nombre.compare(QLatin1StringView(columna), Qt::CaseInsensitive) == 0;
}

// The column's own spelling, or an empty text for a name of no column.
QString columnaDe(const QString &nombre)
{
    for (const QString &c : Esquema::columnasParametros())
        if (c.compare(nombre, Qt::CaseInsensitive) == 0)
            return c;
    return {};
}

// Why valor does not fit the column, or an empty text when it does.
QString rechazo(const QString &columna, const QString &valor)
{
    for (const Numero &n : kNumeros) {
        if (!es(columna, n.columna))
            continue;
        bool ok = false;
        const int v = valor.trimmed().toInt(&ok);
        if (ok && v >= n.minimo && v <= n.maximo)
            return {};
        return QStringLiteral("%1=%2 no es válido: %1 acepta %3.").arg(columna, valor, QString::fromUtf8(n.acepta));
    }
    // A file of certificates is checked now, not at the next send.
    if (es(columna, "certificado") && !valor.trimmed().isEmpty())
        if (const QString problema = ClienteFtp::problemaCertificados(valor.trimmed()); !problema.isEmpty())
            return QStringLiteral("certificado=%1 no es válido: %2.").arg(valor, problema);
    return {};
}

} // namespace

int comandoConfig(Comando &c)
{
    try {
        const QString carpeta = c.carpetas.carpetaBaseDatos();
        if (!Conexion::esServidor(carpeta))
            if (const QString aviso = Permisos::restringeBase(QDir(carpeta).filePath(Conexion::nombreArchivo()));
                !aviso.isEmpty())
                c.err << aviso << Qt::endl;
        auto conexion = Conexion::abre(carpeta);
        RsParametros rs(*conexion);
        const QStringList columnas = Esquema::columnasParametros();
        if (c.args.isEmpty()) {
            for (const QString &col : columnas)
                c.out << col << QStringLiteral("=") << (columnaClave(col) ? kOculta : rs.texto(col)) << Qt::endl;
            return 0;
        }
        conexion->exigeEscritura();
        // Every value is checked before anything changes: a password written
        // in the arguments, a name of no column or a value the column does
        // not accept refuses the whole command.
        bool deVentana = false;
        bool vererrDado = false;
        for (const QString &arg : std::as_const(c.args)) {
            const qsizetype igual = arg.indexOf(u'=');
            if (igual < 0)
                continue;
            const QString nombre = arg.left(igual);
            if (columnaClave(nombre)) {
                if (arg.mid(igual + 1) != u"-") {
                    c.err << claveEnLinea() << Qt::endl;
                    return 2;
                }
                continue;
            }
            const QString columna = columnaDe(nombre);
            if (columna.isEmpty()) {
                c.err << QStringLiteral("%1 no es una columna de la configuración; «tendal config» sin argumentos "
                                        "las lista.")
                             .arg(nombre)
                      << Qt::endl;
                return 2;
            }
            const QString motivo = rechazo(columna, arg.mid(igual + 1));
            if (!motivo.isEmpty()) {
                c.err << motivo << QStringLiteral(" No se cambió nada.") << Qt::endl;
                return 2;
            }
            for (const char *v : kVentana)
                deVentana = deVentana || es(columna, v);
            vererrDado = vererrDado || es(columna, "vererr");
        }
        bool asignaciones = false;
        for (const QString &arg : std::as_const(c.args)) {
            const qsizetype igual = arg.indexOf(u'=');
            const ColumnaClave *clave = columnaClave(igual < 0 ? arg : arg.left(igual));
            if (igual < 0) {
                c.out << (clave ? kOculta : rs.texto(arg)) << Qt::endl;
                continue;
            }
            const QString columna = arg.left(igual);
            if (clave) {
                bool rechazada = false;
                const std::optional<QString> valor
                    = c.clave(QStringLiteral("-"), clave->variable, QString::fromUtf8(clave->pregunta), &rechazada);
                if (!valor) {
                    c.err << QStringLiteral("No se leyó la contraseña de %1 de la entrada estándar; no se cambió "
                                            "nada.")
                                 .arg(columna)
                          << Qt::endl;
                    return 1;
                }
                rs.asigna(QString::fromLatin1(clave->columna),
                          clave->codificada ? Funciones::Codifica_Cadena(*valor) : *valor);
                if (qstrcmp(clave->columna, "PassFTP") == 0)
                    if (const QString aviso = Funciones::avisoClaveFtp(*valor); !aviso.isEmpty())
                        c.err << aviso << Qt::endl;
            } else {
                const QString nombre = columnaDe(columna);
                const QString valor = arg.mid(igual + 1);
                bool numero = false;
                for (const Numero &n : kNumeros)
                    numero = numero || es(nombre, n.columna);
                if (numero)
                    rs.asigna(nombre, qint16(valor.trimmed().toInt()));
                else
                    rs.asigna(nombre, valor);
            }
            asignaciones = true;
        }
        // As a save in the configuration window: acc_tel follows tipo_acceso
        // and the catalogue version goes back to 1 (unless given here).
        if (deVentana) {
            rs.asigna(QStringLiteral("acc_tel"), qint16(rs.entero(QStringLiteral("tipo_acceso")) == 0 ? -1 : 0));
            if (!vererrDado)
                rs.asigna(QStringLiteral("vererr"), qint16(1));
        }
        if (asignaciones)
            rs.guarda();
    } catch (const ErrorTendal &e) {
        c.err << e.descripcion() << Qt::endl;
        return 1;
    }
    return 0;
}
