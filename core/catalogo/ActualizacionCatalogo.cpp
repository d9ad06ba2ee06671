#include "core/catalogo/ActualizacionCatalogo.h"

#include "core/base/Ocupacion.h"
#include "core/base/TareaSuelta.h"
#include "core/catalogo/Descompresor.h"
#include "core/catalogo/InstalacionCatalogo.h"
#include "core/oficina/Actualizaciones.h"
#include "core/base/Ansi.h"
#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/oficina/Programa.h"
#include "core/base/Reloj.h"
#include "core/servidor/SesionFtp.h"
#include "core/base/Vb.h"
#include "core/servidor/ReporteConexion.h"

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroTimer>
#include <QPointer>
#include <QCoreApplication>
#include <QCoro/QCoroSignal>
#include <QtConcurrent/QtConcurrentRun>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

#include <cmath>
#include <optional>

namespace {

const QString CRLF = QStringLiteral("\r\n");

// The lines of one of the organisation's files, as primeraLinea reads them.
QStringList lineas(const QString &ruta)
{
    QStringList todas;
    for (const QString &linea : Ansi::leeLineas(ruta))
        todas << linea.split(u'\n');
    return todas;
}

// The fields of a line, each closed by "|"; text after the last "|" is not a field.
QStringList campos(const QString &linea)
{
    QStringList partes = linea.split(u'|');
    partes.removeLast();
    return partes;
}

QDate fechaDe(const QString &texto, const QString &archivo)
{
    const QDate fecha = Vb::fecha(texto);
    if (!fecha.isValid())
        throw ErrorTendal(ErrorTendal::TiposNoCoinciden,
                          QStringLiteral("La fecha \"%1\" del archivo %2 no es válida").arg(texto, archivo));
    return fecha;
}

// The integer part of the number that names a campo.
int numeroDeCampo(const QString &texto, const QString &archivo)
{
    if (!Vb::esNumerico(texto))
        throw ErrorTendal(ErrorTendal::TiposNoCoinciden,
                          QStringLiteral("El campo \"%1\" del archivo %2 no es un número").arg(texto, archivo));
    const double valor = std::floor(QLocale::c().toDouble(texto.trimmed()));
    if (valor < -2147483648.0 || valor > 2147483647.0)
        throw ErrorTendal::conNumero(ErrorTendal::Desbordamiento);
    return int(valor);
}

// The day of a FECHA column (ISO text, with or without the time).
QDate diaDe(const QVariant &valor)
{
    if (valor.isNull())
        return {};
    return QDate::fromString(valor.toString().left(10), Qt::ISODate);
}

// Records a change for a later day in ACTUALIZACIONES: the first row of the
// campo takes it, or a new row when the campo has none.
void encola(const Conexion &conexion, int campo, const QString &valor, const QDate &fecha)
{
    QSqlQuery q = conexion.ejecuta(
        QStringLiteral("SELECT rowid FROM ACTUALIZACIONES WHERE CAMPO = ? ORDER BY rowid LIMIT 1"), {campo});
    if (q.next())
        conexion.ejecuta(QStringLiteral("UPDATE ACTUALIZACIONES SET VALOR = ?, FECHA = ? WHERE rowid = ?"),
                         {valor, fecha.toString(Qt::ISODate), q.value(0)});
    else
        conexion.ejecuta(QStringLiteral("INSERT INTO ACTUALIZACIONES (CAMPO, VALOR, FECHA) VALUES (?, ?, ?)"),
                         {campo, valor, fecha.toString(Qt::ISODate)});
}

} // namespace

ActualizacionCatalogo::ActualizacionCatalogo(Programa &programa, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
{
    m_hilos.setMaxThreadCount(1);
    m_indicadores.fill(Indicador::Ninguno);
}

ActualizacionCatalogo::~ActualizacionCatalogo()
{
    // A worker still running (an owner that did not await termina()) is
    // asked to stop and joined before anything it reports to goes.
    m_abandono->store(true);
    m_hilos.waitForDone();
}

void ActualizacionCatalogo::inicia(const QString &accion)
{
    TareaSuelta::inicia(QStringLiteral("la actualización del catálogo"), Movimientos(accion), m_programa.dialogos());
}

QCoro::Task<> ActualizacionCatalogo::termina()
{
    m_terminando = true;
    if (!m_enCurso)
        co_return;
    // The installation stops at its next table and rolls back: the
    // installed catalogue stays as it was; a download is cut short.
    m_abandono->store(true);
    co_await m_programa.eftpActCatErr.interrumpe();
    while (m_enCurso)
        co_await qCoro(this, &ActualizacionCatalogo::terminado);
}

QString ActualizacionCatalogo::leyenda(int paso)
{
    switch (paso) {
    case 1:
        return QStringLiteral("Descargando Lista de Actualizaciones");
    case 2:
        return QStringLiteral("Revisando Lista de Actualizaciones");
    case 3:
        return QStringLiteral("Descargando Archivo de Actualización");
    case 4:
        return QStringLiteral("Instalando Actualización de Catálogo");
    default:
        return {};
    }
}

QString ActualizacionCatalogo::archivoClaves(int patente)
{
    return QStringLiteral("Cpas") + Vb::formato(patente, QStringLiteral("0000")) + QStringLiteral(".rgs");
}

QString ActualizacionCatalogo::archivoParametros(int version)
{
    return QStringLiteral("Actpm") + Vb::formato(version, QStringLiteral("000")) + QStringLiteral(".act");
}

QString ActualizacionCatalogo::archivoCatalogo(const QString &versionTexto)
{
    return QStringLiteral("ACTE") + versionTexto + QStringLiteral(".mdb.mz");
}

QString ActualizacionCatalogo::primeraLinea(const QString &ruta)
{
    return Ansi::leePrimeraLinea(ruta).section(u'\n', 0, 0);
}

QString ActualizacionCatalogo::versionTexto(const QString &linea)
{
    return linea.left(4).leftJustified(4, u' ');
}

QCoro::Task<> ActualizacionCatalogo::Movimientos(QString accion)
{
    if (accion == u"recibir") {
        if (!m_enCurso && !m_terminando)
            co_await recibir();
        co_return;
    }
    if (accion == u"salir")
        emit ocultaVentana();
    if (m_enCurso)
        co_return; // the run closes its own connection
    try {
        co_await SesionFtp::Desconecta_FTP(m_programa.eftpActCatErr);
    } catch (const ErrorTendal &) {
    }
}

QCoro::Task<> ActualizacionCatalogo::recibir()
{
    // Cleared on every way out of the run, which then tells it ended.
    const Ocupacion enCurso(m_enCurso, [this](bool ocupado) {
        if (!ocupado)
            emit terminado();
    });
    m_error = false;
    m_archivos.clear();
    for (int paso = 1; paso <= kPasos; ++paso)
        ponIndicador(paso, Indicador::Ninguno);
    ponResultado(QString());

    std::optional<ErrorTendal> fallo;
    try {
        // Nothing the update brings could be kept on a database read only.
        m_programa.conexion().exigeEscritura();
        co_await SesionFtp::Conecta_FTP(m_programa.eftpActCatErr, true, m_programa);
        ponIndicador(1, Indicador::Ejecutando);
        co_await pasoClaves();
        co_await pasoParametros();
        co_await pasoCatalogo();
    } catch (const ErrorTendal &e) {
        fallo = e;
    } catch (const std::exception &e) {
        fallo = ErrorTendal(ErrorTendal::BaseDeDatos, QString::fromLocal8Bit(e.what()));
    }
    // A run the program's end cut short is not told.
    if (fallo && !m_terminando)
        reporta(*fallo);

    // The end of every run: no local file stays behind, the session closes.
    for (const QString &archivo : std::as_const(m_archivos)) {
        try {
            Funciones::Borra_Archivo(local(archivo));
        } catch (const ErrorTendal &) {
        }
    }
    m_archivos.clear();
    try {
        co_await SesionFtp::Desconecta_FTP(m_programa.eftpActCatErr);
    } catch (const ErrorTendal &) {
    }
}

QCoro::Task<bool> ActualizacionCatalogo::recibe(QString archivo)
{
    if (!m_archivos.contains(archivo))
        m_archivos << archivo;
    try {
        co_await SesionFtp::Recibe_Archivo(m_programa.eftpActCatErr, m_programa.carpetas().trabajo(),
                                           m_programa.valores().yex_update, archivo);
    } catch (const ErrorTendal &e) {
        if (e.numero() != ErrorTendal::FtpTransferencia)
            throw;
    }
    co_return QFileInfo(local(archivo)).isFile();
}

QCoro::Task<> ActualizacionCatalogo::pasoClaves()
{
    const QString archivo = archivoClaves(m_programa.valores().NumPatente);
    if (!co_await recibe(archivo)) {
        ponResultado(QStringLiteral("No existió el archivo %1").arg(archivo));
        co_return;
    }
    const QString linea = primeraLinea(local(archivo));
    Funciones::Borra_Archivo(local(archivo));
    const QStringList f = campos(linea);
    const QString claveFtp = f.value(0);
    const QString password = f.value(1);
    const QDate fecha = fechaDe(Funciones::Decodifica_Cadena(f.value(2)), archivo);

    RsParametros &rs = m_programa.parametros();
    const Conexion &conexion = m_programa.conexion();
    if (fecha <= hoy()) {
        const bool cambiaFtp = rs.texto(QStringLiteral("PassFTP")) != claveFtp;
        const QString claveClara = cambiaFtp ? Funciones::Decodifica_Cadena(claveFtp) : QString();
        if (cambiaFtp)
            rs.asigna(QStringLiteral("PassFTP"), claveFtp);
        if (rs.texto(QStringLiteral("Password")) != password)
            rs.asigna(QStringLiteral("Password"), password);
        try {
            rs.guarda();
        } catch (...) {
            rs.abre();
            throw;
        }
        if (cambiaFtp)
            m_programa.valores().ClaveFTP = claveClara;
        co_return;
    }

    // A change for a later day waits in ACTUALIZACIONES; a campo that has a
    // row takes the change when it is newer, one without a row gets one.
    const QList<std::tuple<int, QString, QString>> cambios
        = {{12, QStringLiteral("PassFTP"), claveFtp}, {13, QStringLiteral("Password"), password}};
    conexion.enTransaccion([&] {
        for (const auto &[campo, columna, valor] : cambios) {
            QSqlQuery q = conexion.ejecuta(
                QStringLiteral(
                    "SELECT rowid, VALOR, FECHA FROM ACTUALIZACIONES WHERE CAMPO = ? ORDER BY rowid LIMIT 1"),
                {campo});
            if (q.next()) {
                const QDate fechaFila = diaDe(q.value(2));
                if (q.value(1).toString() != valor && (!fechaFila.isValid() || fecha >= fechaFila))
                    conexion.ejecuta(QStringLiteral("UPDATE ACTUALIZACIONES SET VALOR = ?, FECHA = ? WHERE rowid = ?"),
                                     {valor, fecha.toString(Qt::ISODate), q.value(0)});
            } else if (rs.texto(columna) != valor) {
                conexion.ejecuta(QStringLiteral("INSERT INTO ACTUALIZACIONES (CAMPO, VALOR, FECHA) VALUES (?, ?, ?)"),
                                 {campo, valor, fecha.toString(Qt::ISODate)});
            }
        }
    });
}

QCoro::Task<> ActualizacionCatalogo::pasoParametros()
{
    const QString archivoVersion = archivoVersionParametros();
    if (!co_await recibe(archivoVersion))
        co_return;
    const QString linea = primeraLinea(local(archivoVersion));
    Funciones::Borra_Archivo(local(archivoVersion));
    const qint16 ofrecida = Vb::entero(linea);
    RsParametros &rs = m_programa.parametros();
    if (ofrecida <= rs.entero(QStringLiteral("VerPar")))
        co_return;

    const QString archivo = archivoParametros(ofrecida);
    if (!co_await recibe(archivo))
        co_return;

    struct Cambio {
        int campo;
        QString valor;
        QDate fecha;
    };
    QList<Cambio> cambios;
    for (const QString &l : lineas(local(archivo))) {
        if (l.trimmed().isEmpty())
            continue;
        const QStringList f = campos(l);
        const int campo = numeroDeCampo(Funciones::Decodifica_Cadena(f.value(0)), archivo);
        const QString valor = Funciones::Decodifica_Cadena(f.value(1));
        cambios << Cambio {campo, valor, fechaDe(Funciones::Decodifica_Cadena(f.value(2)), archivo)};
    }

    // The changes of the list and the new VerPar are stored together.
    const Conexion &conexion = m_programa.conexion();
    QList<QPair<QString, QString>> aplicados;
    try {
        conexion.enTransaccion([&] {
            for (const Cambio &c : std::as_const(cambios)) {
                if (c.fecha > hoy()) {
                    encola(conexion, c.campo, c.valor, c.fecha);
                    continue;
                }
                const QString columna = Actualizaciones::columnaDeCampo(c.campo);
                if (columna.isEmpty() || c.campo == 12 || c.campo == 13)
                    continue; // passwords come with their own file
                rs.asigna(columna, c.valor);
                aplicados << qMakePair(columna, c.valor);
            }
            rs.asigna(QStringLiteral("VerPar"), int(ofrecida));
            rs.guarda();
        });
    } catch (...) {
        rs.abre();
        throw;
    }
    // The program-wide copies take the new values for the rest of this run.
    for (const auto &[columna, valor] : std::as_const(aplicados))
        if (QString *copia = m_programa.valores().carpetaServidor(columna))
            *copia = valor;
    Funciones::Borra_Archivo(local(archivo));
}

QCoro::Task<> ActualizacionCatalogo::pasoCatalogo()
{
    const QString lista = archivoVersionCatalogo();
    Funciones::Borra_Archivo(local(lista));
    if (!co_await recibe(lista)) {
        // The run ends at step 1: its picture says so (no arrow left
        // running), and the result line names the list that was missing.
        ponIndicador(1, Indicador::Fin);
        const QString falta = QStringLiteral("No existió el archivo %1").arg(lista);
        ponResultado(resultado().isEmpty() ? falta : resultado() + u'\n' + falta);
        co_return;
    }
    ponIndicador(1, Indicador::Hecho);
    ponIndicador(2, Indicador::Ejecutando);
    const QString linea = primeraLinea(local(lista));
    Funciones::Borra_Archivo(local(lista));
    const QString version = versionTexto(linea);
    const qint32 numero = Vb::largo(version);
    if (numero <= m_programa.parametros().entero(QStringLiteral("vererr"))) {
        ponIndicador(2, Indicador::Fin);
        ponResultado(QStringLiteral("No existen actualizaciones del catálogo!!!"));
        co_return;
    }

    ponIndicador(2, Indicador::Hecho);
    ponIndicador(3, Indicador::Ejecutando);
    const QString comprimido = archivoCatalogo(version);
    const QString base = QStringLiteral("ACTE") + version + QStringLiteral(".mdb");
    m_archivos << base;
    if (!co_await recibe(comprimido)) {
        noSeInstala(3, QStringLiteral("No se recibió el archivo de actualización del catálogo \"%1\"").arg(comprimido));
        co_return;
    }
    if (QFileInfo(local(comprimido)).size() == 0) {
        Funciones::Borra_Archivo(local(comprimido));
        noSeInstala(3, QStringLiteral("El archivo de actualización del catálogo \"%1\" llegó vacío").arg(comprimido));
        co_return;
    }
    std::optional<QString> danado;
    try {
        QFuture<void> hecho = QtConcurrent::run(&m_hilos, [origen = local(comprimido), destino = local(base)] {
            Descompresor::descomprime(origen, destino);
        });
        co_await hecho;
    } catch (const ErrorTendal &e) {
        danado = e.descripcion();
    }
    Funciones::Borra_Archivo(local(comprimido));
    if (danado) {
        noSeInstala(
            3,
            QStringLiteral("El archivo de actualización del catálogo \"%1\" está dañado: %2").arg(comprimido, *danado));
        co_return;
    }
    ponIndicador(3, Indicador::Hecho);
    co_await instala(version);
}

QCoro::Task<> ActualizacionCatalogo::instala(QString versionTexto)
{
    const QString base = local(QStringLiteral("ACTE") + versionTexto + QStringLiteral(".mdb"));
    // The installation runs on a worker with a connection of its own; its
    // progress comes back to this thread as queued calls, all of them
    // delivered before the end of the worker is.
    std::optional<ErrorTendal> fallo;
    try {
        // The worker reaches this object only through queued calls that
        // check it on this thread; it stops at its next step once abandoned.
        QFuture<void> hecho = QtConcurrent::run(
            &m_hilos, [baseDatos = m_programa.conexion().ruta(), base, version = Vb::largo(versionTexto),
                       yo = QPointer<ActualizacionCatalogo>(this), abandono = m_abandono, trasTabla = trasTabla] {
                InstalacionCatalogo instalacion(baseDatos);
                instalacion.trasTabla = trasTabla;
                instalacion.avance = [yo, abandono](const InstalacionCatalogo::Avance &a) {
                    if (abandono->load())
                        throw ErrorTendal(ErrorTendal::FtpTerminado,
                                          QStringLiteral("La instalación del catálogo se interrumpió"));
                    const QString texto = QStringLiteral("Tabla %1 (%2 de %3): %4 de %5 filas")
                                              .arg(a.nombre)
                                              .arg(a.tabla)
                                              .arg(a.tablas)
                                              .arg(a.filas)
                                              .arg(a.total);
                    QMetaObject::invokeMethod(
                        QCoreApplication::instance(),
                        [yo, texto] {
                            if (yo)
                                yo->ponAvance(texto);
                        },
                        Qt::QueuedConnection);
                };
                instalacion.instala(base, version);
            });
        co_await hecho;
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    ponAvance(QString());
    if (fallo) {
        if (fallo->numero() == ErrorTendal::TablaNoEncontrada || fallo->numero() == InstalacionCatalogo::kNoValida) {
            noSeInstala(4, fallo->descripcion());
            co_return;
        }
        ponIndicador(4, Indicador::Fin);
        ponResultado(QStringLiteral("No se instaló la actualización del catálogo"));
        throw *fallo;
    }
    m_programa.parametros().relee(QStringLiteral("vererr"));
    ponIndicador(4, Indicador::Fin);
    ponResultado(QStringLiteral("Catálogo actualizado satisfactoriamente!!!"));
    Funciones::Borra_Archivo(local(archivoVersionCatalogo()));
    Funciones::Borra_Archivo(base);
}

void ActualizacionCatalogo::ponIndicador(int paso, Indicador indicador)
{
    if (m_indicadores.at(paso - 1) == indicador)
        return;
    m_indicadores[paso - 1] = indicador;
    emit indicadorCambiado(paso, indicador);
}

void ActualizacionCatalogo::ponResultado(const QString &texto)
{
    if (m_resultado == texto)
        return;
    m_resultado = texto;
    emit resultadoCambiado(texto);
}

void ActualizacionCatalogo::ponAvance(const QString &texto)
{
    if (m_avance == texto)
        return;
    m_avance = texto;
    emit avanceCambiado(texto);
}

void ActualizacionCatalogo::reporta(const ErrorTendal &error)
{
    if (ReporteConexion::reporta(ReporteConexion::Llamador::ActualizacionCatalogo, error, m_programa).mensaje)
        m_error = true;
}

void ActualizacionCatalogo::noSeInstala(int paso, const QString &texto)
{
    ponIndicador(paso, Indicador::Fin);
    ponResultado(texto);
    m_error = true;
    m_programa.dialogos().mensaje(texto + u'.' + CRLF + QStringLiteral("El catálogo instalado se conserva."),
                                  Dialogos::nombreProducto(), Dialogos::Icono::Critico, Dialogos::Botones::Aceptar);
}

QString ActualizacionCatalogo::local(const QString &archivo) const
{
    return QDir(m_programa.carpetas().trabajo()).filePath(archivo);
}

QDate ActualizacionCatalogo::hoy() const
{
    return m_programa.reloj().hoy();
}
