#include "core/principal/Principal.h"

#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"
#include "core/base/Vb.h"
#include "core/archivos/ArchivosJulianos.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/reportes/DestinoReporte.h"
#include "core/reportes/GeneradorReporte.h"
#include "core/servidor/ReporteConexion.h"
#include "core/oficina/CamposConfiguracion.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

const QString kEstadoEspera = QStringLiteral("E");

// The path of a file named like nombre in carpeta, found without regard to
// case as the office's systems name their files; empty when there is none.
// A name that reaches into another folder is never found.
QString buscaArchivo(const QString &carpeta, const QString &nombre)
{
    if (carpeta.isEmpty() || nombre.contains(u'/') || nombre.contains(u'\\') || nombre == u"." || nombre == u"..")
        return {};
    const QDir dir(carpeta);
    const QString exacta = dir.filePath(nombre);
    if (QFileInfo(exacta).isFile())
        return exacta;
    const QString buscado = nombre.toCaseFolded();
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().toCaseFolded() == buscado)
            return it.filePath();
    }
    return {};
}

QString textoIcono(int icono)
{
    return icono >= 0 ? QString::number(icono) : QString();
}

} // namespace

QStringList Principal::entradas(Selector selector)
{
    if (selector == Dia)
        return {QStringLiteral("DÍA ACTUAL"), QStringLiteral("TODOS LOS DÍAS")};
    return {QStringLiteral("SAAI M3"), QStringLiteral("PAGO ELECTRÓNICO"), QStringLiteral("SAGARPA"),
            QStringLiteral("CARTAS CUPO")};
}

QString Principal::letraTipo(int entrada)
{
    switch (entrada) {
    case 0:
        return QStringLiteral("M");
    case 1:
        return QStringLiteral("E");
    case 2:
        return QStringLiteral("S");
    case 3:
        return QStringLiteral("D");
    default:
        return {};
    }
}

int Principal::campoTipo(int entrada)
{
    switch (entrada) {
    case 1:
        return CamposConfiguracion::pag_env;
    case 2:
        return CamposConfiguracion::sag_env;
    default:
        return CamposConfiguracion::val_env;
    }
}

QString Principal::construyePatron(const QString &tipo, int dia, const QString &texto, int patente, int diaJuliano)
{
    const QString tp = tipo + Vb::formato(patente, QStringLiteral("0000"));
    if (dia != 1) {
        if (!texto.isEmpty())
            return texto;
        return tp + QStringLiteral("*.") + Vb::formato(diaJuliano, QStringLiteral("000"));
    }
    if (texto.isEmpty()) {
        QStringList partes;
        for (const char *inicio : {"0", "1", "2", "3"})
            partes << tp + QStringLiteral("*.") + QLatin1StringView(inicio) + u'*';
        return partes.join(u';');
    }
    // A day number is written with three digits; any other text stays as typed.
    QString dias = texto;
    if (Vb::esNumerico(texto)) {
        try {
            dias = Vb::formato(Vb::largo(texto), QStringLiteral("000"));
        } catch (const ErrorTendal &) {
        }
    }
    return tp + QStringLiteral("*.") + dias;
}

Principal::Principal(Programa &programa, CicloRecepcion &ciclo, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
    , m_ciclo(ciclo)
    , m_conteo(programa.conexion().ruta())
    , m_carga(programa)
{
    connect(&m_conteo, &ConteoErrores::contado, this, &Principal::erroresContados);
    // A response stored (again) changes a list first: its file is looked at
    // again then, not at each row painted.
    for (QAbstractItemModel *lista : {static_cast<QAbstractItemModel *>(&programa.listaEnvio()),
                                      static_cast<QAbstractItemModel *>(&programa.listaRecepcion())}) {
        connect(lista, &QAbstractItemModel::dataChanged, this, [this] { m_conteo.olvidaArchivos(); });
        connect(lista, &QAbstractItemModel::rowsInserted, this, [this] { m_conteo.olvidaArchivos(); });
        connect(lista, &QAbstractItemModel::rowsRemoved, this, [this] { m_conteo.olvidaArchivos(); });
        connect(lista, &QAbstractItemModel::modelReset, this, [this] { m_conteo.olvidaArchivos(); });
    }
}

void Principal::inicia()
{
    m_tipoActual = QStringLiteral("M");
    m_patronActual
        = construyePatron(m_tipoActual, 0, QString(), m_programa.parametros().entero(QStringLiteral("Patente")),
                          m_programa.valores().DiaJuliano);
    m_listado.ponCarpeta(m_programa.campos().texto(campoTipo(0)));
    for (Selector s : {Dia, Tipo}) {
        m_etiqueta[s] = QStringLiteral("0");
        elige(s, 0);
        emit seleccionCambiada(s, 0);
    }
}

void Principal::ponTexto(const QString &texto)
{
    if (texto == m_texto)
        return;
    m_texto = texto;
    emit textoCambiado(m_texto);
}

void Principal::elige(Selector selector, int entrada)
{
    if (entrada < 0 || entrada >= entradas(selector).size())
        return;
    m_seleccion[selector] = entrada;
    const QString numero = QString::number(entrada);
    if (selector == Tipo && numero != m_etiqueta[Tipo]) {
        m_tipoActual = letraTipo(entrada);
        m_listado.ponCarpeta(m_programa.campos().texto(campoTipo(entrada)));
        m_etiqueta[Tipo] = numero;
    }
    m_patronActual
        = construyePatron(m_tipoActual, m_seleccion[Dia], m_texto,
                          m_programa.parametros().entero(QStringLiteral("Patente")), m_programa.valores().DiaJuliano);
    m_etiqueta[Dia] = QString::number(m_seleccion[Dia]);
    busca();
}

void Principal::busca()
{
    const int tipo = m_seleccion[Tipo];
    if (tipo >= 0)
        m_listado.ponCarpeta(m_programa.campos().texto(campoTipo(tipo)));
    if (!m_texto.isEmpty()) {
        agregaNombreEscrito();
        return;
    }
    // The list always matches the controls as they show now: a name typed
    // earlier (and since erased) leaves no filter behind.
    m_patronActual
        = construyePatron(m_tipoActual, m_seleccion[Dia], m_texto,
                          m_programa.parametros().entero(QStringLiteral("Patente")), m_programa.valores().DiaJuliano);
    m_listado.ponPatron(m_patronActual);
    avisaCarpeta(m_listado.relee());
    avisaIlegibles();
    Llena_Archivos();
}

void Principal::Llena_Archivos()
{
    m_archivos.llena(m_listado.archivos());
}

// A send folder that does not exist lists nothing; it is reported once until
// it exists again or another folder is listed.
void Principal::avisaCarpeta(bool existe)
{
    const QString carpeta = m_listado.carpeta();
    if (existe) {
        m_carpetaAvisada.reset();
        return;
    }
    if (m_carpetaAvisada == carpeta)
        return;
    m_carpetaAvisada = carpeta;
    m_programa.dialogos().mensaje(
        carpeta.isEmpty()
            ? QStringLiteral("No está configurada la carpeta de envío de este tipo de archivo.")
            : QStringLiteral("No se encontró la carpeta de envío ") + QDir::toNativeSeparators(carpeta) + u'.',
        Dialogos::nombreProducto(), Dialogos::Icono::Exclamacion, Dialogos::Botones::Aceptar);
}

// A file of the folder whose name is not UTF-8 cannot be listed or sent
// (Qt passes it over): each one is told once, naming it with its bytes.
void Principal::avisaIlegibles()
{
    const QString carpeta = QDir::toNativeSeparators(m_listado.carpeta());
    for (const QString &nombre : m_listado.ilegibles()) {
        if (m_ilegiblesAvisados.contains(carpeta + u'/' + nombre))
            continue;
        m_ilegiblesAvisados.insert(carpeta + u'/' + nombre);
        m_programa.dialogos().aviso(QStringLiteral("El archivo «%1» de la carpeta %2 no se envía: su nombre no es "
                                                   "texto válido (UTF-8; los bytes que no lo son se muestran como "
                                                   "\\xHH), y con ese nombre no se puede abrir ni escribir en el "
                                                   "servidor. Cámbiale el nombre.")
                                        .arg(nombre, carpeta));
    }
}

void Principal::agregaNombreEscrito()
{
    const QChar letra = ArchivosJulianos::letra(m_texto);
    const int campo = ArchivosJulianos::campoCarpeta(letra);
    const QString ruta = campo >= 0 ? buscaArchivo(m_programa.campos().texto(campo), m_texto) : QString();
    if (ruta.isEmpty()) {
        m_programa.dialogos().mensaje(QStringLiteral("El archivo juliano no existe en las rutas configuradas."),
                                      Dialogos::nombreProducto(), Dialogos::Icono::Ninguno, Dialogos::Botones::Aceptar);
        return;
    }
    const int icono = letra == u'E' ? ArchivosJulianos::iconoBanco(ruta) : ArchivosJulianos::iconoLetra(letra);
    agregaEnvio(m_texto.toUpper(), icono);
    ponTexto(QString());
}

void Principal::agregaEnvio(const QString &nombre, int icono)
{
    cambiaLista([&] {
        m_elementoActual = m_programa.listaEnvio().agrega({nombre, kEstadoEspera, textoIcono(icono),
                                                           ArchivosJulianos::Ruta_Respuesta(1, nombre),
                                                           ArchivosJulianos::Ruta_Respuesta(2, nombre)});
    });
}

// The lists are stored at every change; a database that refuses the change
// is reported, and the window goes on with the list as it shows it.
void Principal::cambiaLista(const std::function<void()> &cambio)
{
    try {
        cambio();
    } catch (const ErrorTendal &e) {
        m_programa.dialogos().error(ReporteConexion::textoGenerico(e));
    }
}

void Principal::agregaArchivo(int fila)
{
    const QString nombre = m_archivos.nombre(fila);
    if (nombre.isEmpty())
        return;
    ListaEnvio &envio = m_programa.listaEnvio();
    for (int i = 0; i < envio.cuenta(); ++i) {
        if (envio.celda(i, ListaEnvio::Nombre) == nombre && envio.celda(i, ListaEnvio::Estado) == kEstadoEspera) {
            m_programa.dialogos().mensaje(QStringLiteral("El archivo ya esta en la lista de envío!!!"),
                                          Dialogos::nombreProducto(), Dialogos::Icono::Informacion,
                                          Dialogos::Botones::Aceptar);
            return;
        }
    }
    const QChar letra = ArchivosJulianos::letra(nombre);
    int icono = ArchivosJulianos::iconoLetra(letra);
    if (letra == u'E') {
        const QString ruta = QDir(m_programa.campos().texto(CamposConfiguracion::pag_env)).filePath(nombre);
        icono = QFileInfo(ruta).isFile() ? ArchivosJulianos::iconoBanco(ruta) : -1;
    }
    agregaEnvio(nombre, icono);
}

void Principal::quitaEnvio(int fila)
{
    ListaEnvio &envio = m_programa.listaEnvio();
    if (fila < 0 || fila >= envio.cuenta() || envio.celda(fila, ListaEnvio::Estado) != kEstadoEspera)
        return;
    const QString nombre = envio.celda(fila, ListaEnvio::Nombre);
    if (!m_programa.dialogos().preguntaDestructiva(QStringLiteral("¿Deseas eliminar el archivo ") + nombre
                                                   + QStringLiteral(" de la lista de envío?")))
        return;
    cambiaLista([&] { envio.quita(fila); });
    m_elementoActual = -1;
}

void Principal::quitaRecepcion(int fila)
{
    ListaRecepcion &recepcion = m_programa.listaRecepcion();
    if (fila < 0 || fila >= recepcion.cuenta())
        return;
    const QString nombre = recepcion.celda(fila, ListaRecepcion::Nombre);
    if (!m_programa.dialogos().preguntaDestructiva(QStringLiteral("¿Deseas eliminar el archivo ") + nombre
                                                   + QStringLiteral(" de la lista de recepción?")))
        return;
    m_ciclo.deshabilita();
    cambiaLista([&] { recepcion.quita(fila); });
    if (recepcion.cuenta() > 0)
        m_ciclo.habilita();
}

void Principal::vaciaEnvio()
{
    ListaEnvio &envio = m_programa.listaEnvio();
    if (envio.cuenta() == 0)
        return;
    if (!m_programa.dialogos().preguntaDestructiva(
            QStringLiteral("¿Deseas eliminar todos los elementos de la lista de envío?")))
        return;
    cambiaLista([&] { envio.limpia(); });
    m_elementoActual = -1;
    vaciaReporte();
}

void Principal::ponReporte(DestinoReporte *reporte)
{
    m_carga.abandona();
    m_reporte = reporte;
}

void Principal::vaciaReporte()
{
    m_carga.abandona();
    if (m_reporte)
        m_reporte->vacia();
}

int Principal::errores(int lista, int fila)
{
    QString nombre;
    QString guardada;
    qint64 respuesta = 0; // its id in the journal, where the list knows it
    if (lista == 0) {
        const ListaEnvio &envio = m_programa.listaEnvio();
        if (fila < 0 || fila >= envio.cuenta() || envio.celda(fila, ListaEnvio::Estado) == kEstadoEspera)
            return ConteoErrores::kSinCuenta;
        const ListaEnvio::Entrada e = envio.entrada(fila);
        nombre = e.nombre;
        guardada = e.ruta;
        respuesta = envio.respuesta(fila);
    } else {
        const ListaRecepcion &recepcion = m_programa.listaRecepcion();
        if (fila < 0 || fila >= recepcion.cuenta())
            return ConteoErrores::kSinCuenta;
        const ListaRecepcion::Entrada e = recepcion.entrada(fila);
        if (e.val != u"X")
            return ConteoErrores::kSinCuenta;
        nombre = e.archivoVal;
        // Stored where the entry says its responses go (no read of the
        // configuration record for each row painted).
        if (!e.rutaDest.isEmpty())
            guardada = QDir(e.rutaDest).filePath(e.archivoVal);
    }
    // Where it was stored, or where the configuration puts its kind.
    return m_conteo.errores(nombre, guardada.isEmpty() ? GeneradorReporte(m_programa).ruta(nombre) : guardada,
                            respuesta);
}

void Principal::muestraReporte(int lista, int fila)
{
    ListaEnvio &envio = m_programa.listaEnvio();
    if (lista != 0 || fila < 0 || fila >= envio.cuenta() || envio.celda(fila, ListaEnvio::Estado) == kEstadoEspera
        || !m_reporte)
        return;
    m_carga.carga(GeneradorReporte::tituloRevision(), envio.celda(fila, ListaEnvio::Nombre), envio.entrada(fila).ruta,
                  *m_reporte, envio.respuesta(fila));
}
