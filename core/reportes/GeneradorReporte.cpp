#include "core/reportes/GeneradorReporte.h"

#include "core/oficina/CamposConfiguracion.h"
#include "core/base/Ansi.h"
#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"
#include "core/base/Reloj.h"
#include "core/db/RsParametros.h"
#include "core/base/Vb.h"
#include "core/reportes/CatalogoErrores.h"
#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/DestinoReporte.h"
#include "core/reportes/LectorLineas.h"
#include "core/reportes/LineaRespuesta.h"
#include "core/reportes/RespuestaGuardada.h"
#include "core/reportes/TipoRespuesta.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSqlDatabase>

namespace {

const QString kSalto = QStringLiteral("\r\n");
// The body goes to the target in pieces of about this many characters, so
// that a report of any length needs only the memory of one piece here.
constexpr qsizetype kPieza = 64 * 1024;

// Why a build stopped: the reason, and the line of the file when one was
// being read (0 otherwise).
struct Fallo {
    QString motivo;
    qint64 linea = 0;
};

// The short date of the locale, with the year in four digits as the
// system's short date shows it.
QString fechaCorta(const QDate &fecha, const QLocale &locale)
{
    QString formato = locale.dateFormat(QLocale::ShortFormat);
    if (!formato.contains(QStringLiteral("yyyy")))
        formato.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return locale.toString(fecha, formato);
}

// The catalogue lookups of one report read one state of the catalogue, in
// one read transaction on the connection: a catalogue installed meanwhile
// is not mixed into the report, and the database takes its read lock once
// instead of once per lookup. On a connection already in a transaction the
// lookups simply join it.
class LecturaCatalogo
{
public:
    explicit LecturaCatalogo(const Conexion &conexion)
        : m_conexion(conexion)
        , m_db((conexion.asegura(), conexion.db()))
        , m_sesion(conexion.sesion())
        , m_abierta(m_db.transaction())
    {
    }
    ~LecturaCatalogo()
    {
        // Nothing was written; a transaction whose session ended (or was
        // opened again since) is gone with it.
        if (m_abierta && m_sesion == m_conexion.sesion() && m_db.isOpen())
            m_db.rollback();
    }
    LecturaCatalogo(const LecturaCatalogo &) = delete;
    LecturaCatalogo &operator=(const LecturaCatalogo &) = delete;

private:
    const Conexion &m_conexion;
    QSqlDatabase m_db;
    quint64 m_sesion;
    bool m_abierta;
};

} // namespace

GeneradorReporte::GeneradorReporte(const Conexion &conexion, QString sinCambios, QDateTime momento)
    : m_conexion(conexion)
    , m_sinCambios(std::move(sinCambios))
    , m_momento(std::move(momento))
{
}

GeneradorReporte::GeneradorReporte(Programa &programa)
    : GeneradorReporte(programa.conexion(), programa.campos().texto(TipoRespuesta::kCampoSinCambios),
                       programa.reloj().ahora())
{
}

// The path of the response: the folder where the journal says it was stored,
// or the one the configuration holds now for its kind. Throws Fallo.
QString GeneradorReporte::ubica(const QString &archivo, const QString &guardada) const
{
    const TipoRespuesta tipo = TipoRespuesta::reconoce(archivo);
    QString carpeta;
    QString origen;
    if (!guardada.isEmpty()) {
        carpeta = QFileInfo(guardada).absolutePath();
        origen = carpeta;
    } else if (tipo.clase() == TipoRespuesta::Clase::SinCambios) {
        carpeta = m_sinCambios;
        origen = QStringLiteral("val_rec");
    } else {
        try {
            carpeta = RsParametros(m_conexion).texto(tipo.columna());
        } catch (const ErrorTendal &e) {
            throw Fallo {QStringLiteral("no se pudo leer el registro de configuración (%1)").arg(e.descripcion())};
        }
        origen = tipo.columna();
    }
    if (carpeta.trimmed().isEmpty())
        throw Fallo {QStringLiteral("la carpeta de recepción (%1) no está configurada").arg(origen)};
    QString ruta = QDir::fromNativeSeparators(carpeta);
    if (!ruta.endsWith(u'/'))
        ruta += u'/';
    return ruta + (guardada.isEmpty() ? archivo : QFileInfo(guardada).fileName());
}

QString GeneradorReporte::ruta(const QString &archivo, const QString &guardada) const
{
    const TipoRespuesta::Clase clase = TipoRespuesta::reconoce(archivo).clase();
    if (clase != TipoRespuesta::Clase::Formato && clase != TipoRespuesta::Clase::SinCambios)
        return {};
    try {
        return ubica(archivo, guardada);
    } catch (const Fallo &) {
        return {};
    }
}

QString GeneradorReporte::tituloRevision()
{
    return QStringLiteral("Programa de Tendal  -  Revisión");
}

bool GeneradorReporte::Genera_Reporte(const QString &titulo, const QString &archivo, DestinoReporte &destino,
                                      const QString &guardada, qint64 respuesta)
{
    const TipoRespuesta tipo = TipoRespuesta::reconoce(archivo);
    struct Termina {
        DestinoReporte &destino;
        ~Termina() { destino.termina(); }
    } termina {destino};
    destino.vacia();
    if (tipo.clase() == TipoRespuesta::Clase::Ninguna)
        return true;

    const QLocale locale;
    const QDateTime &ahora = m_momento;
    destino.ponTexto(titulo + QStringLiteral(" Archivo: ") + archivo.toUpper() + QStringLiteral("  -  ")
                     + fechaCorta(ahora.date(), locale) + QStringLiteral("  ")
                     + Vb::horaAmPm(ahora.time(), true, locale) + kSalto + kSalto);
    if (tipo.clase() == TipoRespuesta::Clase::SoloEncabezado)
        return true;

    QString ruta = archivo;
    try {
        ruta = ubica(archivo, guardada);

        RespuestaGuardada guardadaAqui(m_conexion, ruta, respuesta);
        QString motivo;
        if (!guardadaAqui.abre(&motivo))
            throw Fallo {motivo};
        QIODevice &entrada = guardadaAqui.dispositivo();
        if (tipo.clase() == TipoRespuesta::Clase::SinCambios) {
            const QByteArray contenido = entrada.readAll();
            if (const auto *f = qobject_cast<QFileDevice *>(&entrada); f && f->error() != QFileDevice::NoError)
                throw Fallo {QStringLiteral("error de lectura (%1)").arg(entrada.errorString())};
            destino.muestraSinCambios(Ansi::decodifica(contenido));
            return true;
        }

        const LecturaCatalogo lectura(m_conexion);
        CatalogoErrores catalogo(m_conexion);
        const auto formato = tipo.creaFormato(catalogo);
        CuerpoReporte cuerpo(locale);
        LectorLineas lector(entrada);
        QString linea;
        try {
            while (lector.siguiente(linea)) {
                formato->procesa(LineaRespuesta(linea), cuerpo);
                if (cuerpo.texto().size() >= kPieza) {
                    destino.agregaTexto(cuerpo.tomaTexto());
                    if (destino.abandonado())
                        return false;
                }
            }
        } catch (const ErrorTendal &e) {
            // The lines read before the failing one reach the target too.
            if (!cuerpo.texto().isEmpty())
                destino.agregaTexto(cuerpo.tomaTexto());
            throw Fallo {e.descripcion(), lector.numero()};
        }
        destino.agregaTexto(cuerpo.tomaTexto());
        return true;
    } catch (const Fallo &f) {
        const QString nombre = QDir::toNativeSeparators(ruta);
        const QString mensaje = f.linea > 0
                                    ? QStringLiteral("No se pudo leer el archivo %1 en la línea %2: %3.")
                                          .arg(nombre)
                                          .arg(f.linea)
                                          .arg(f.motivo)
                                    : QStringLiteral("No se pudo leer el archivo %1: %2.").arg(nombre, f.motivo);
        destino.falla(mensaje + kSalto);
    } catch (const std::exception &e) {
        destino.falla(QStringLiteral("No se pudo leer el archivo %1: %2.")
                          .arg(QDir::toNativeSeparators(ruta), QString::fromLocal8Bit(e.what()))
                      + kSalto);
    }
    return false;
}
