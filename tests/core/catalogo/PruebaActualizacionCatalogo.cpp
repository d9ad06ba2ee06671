// The catalogue update run end to end: a real office (SQLite file, work
// folder) and a real FTP server (pyftpdlib) whose update folder each test
// fills as the organisation would.

#include "core/catalogo/ActualizacionCatalogo.h"
#include "core/base/Ansi.h"
#include "core/base/Dialogos.h"
#include "core/base/Funciones.h"
#include "core/oficina/Programa.h"
#include "tests/soporte/ActualizacionPrueba.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace CatalogoPrueba;

namespace {

using I = ActualizacionCatalogo::Indicador;
using Indicadores = QList<I>;

const QDate kHoy(2026, 2, 14);
const QString kNwind = u"" TENDAL_DIR_DATOS_PRUEBA "/catalogo/nwind.mdb"_s;

QString fecha(const QDate &d)
{
    return d.toString(u"dd/MM/yyyy"_s);
}

// A line of the parameter change list: every field scrambled.
QByteArray cambio(int campo, const QString &valor, const QDate &d)
{
    return Ansi::codifica(Funciones::Codifica_Cadena(QString::number(campo)) + u'|' + Funciones::Codifica_Cadena(valor)
                          + u'|' + Funciones::Codifica_Cadena(fecha(d)) + u"|\r\n"_s);
}

// One server for every test; each test starts with its folders empty.
ServidorFtp *g_servidor = nullptr;

// An office with catalogue version 1, pointed at the server.
struct Escena {
    ServidorFtp &servidor = *g_servidor;
    Oficina oficina;
    Programa *programa = nullptr;
    std::unique_ptr<ActualizacionCatalogo> actualizacion;

    Escena()
    {
        servidor.restablece();
        for (const QString &carpeta : QDir(servidor.raiz()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDir(servidor.ruta(u"/"_s + carpeta)).removeRecursively();
            QDir(servidor.raiz()).mkdir(carpeta == u"update2" ? u"update"_s : carpeta);
        }
        servidor.apunta(oficina);
        inicia();
        llenaOficina(programa->conexion(), 1);
        programa->parametros().abre();
    }
    // Starts the program (again), as the desktop program does.
    void inicia()
    {
        actualizacion.reset();
        programa = &oficina.carga();
        actualizacion = std::make_unique<ActualizacionCatalogo>(*programa);
    }
    void corre() { QCoro::waitFor(actualizacion->Movimientos(u"recibir"_s)); }

    void publica(const QString &nombre, const QByteArray &contenido, const QString &carpeta = u"/update"_s)
    {
        servidor.escribe(carpeta + u'/' + nombre, contenido);
    }
    // The catalogue list and its compressed SQLite database.
    void publicaCatalogo(const QString &linea, int version, int filas = 5, const QString &carpeta = u"/update"_s)
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(u"actualizacion.db"_s);
        creaSqlite(ruta, version, filas);
        publica(u"revact.txt"_s, (linea + u"\r\n"_s).toLatin1(), carpeta);
        publica(ActualizacionCatalogo::archivoCatalogo(ActualizacionCatalogo::versionTexto(linea)), comprime(lee(ruta)),
                carpeta);
    }

    Indicadores indicadores() const
    {
        Indicadores l;
        for (int paso = 1; paso <= ActualizacionCatalogo::kPasos; ++paso)
            l << actualizacion->indicador(paso);
        return l;
    }
    QString parametro(const QString &columna)
    {
        QSqlQuery q = programa->conexion().ejecuta(u"SELECT %1 FROM PARAMETROS"_s.arg(columna));
        q.next();
        return q.value(0).toString();
    }
    // "CAMPO|VALOR|FECHA" per queued change.
    QStringList cola()
    {
        QStringList filas;
        QSqlQuery q
            = programa->conexion().ejecuta(u"SELECT CAMPO, VALOR, FECHA FROM ACTUALIZACIONES ORDER BY CAMPO, rowid"_s);
        while (q.next())
            filas << u"%1|%2|%3"_s.arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
        return filas;
    }
    QStringList archivosLocales() const { return QDir(oficina.trabajo()).entryList(QDir::Files | QDir::Hidden); }
    QStringList mensajes() const { return oficina.dialogos.textos(); }
};

} // namespace

class PruebaActualizacionCatalogo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { g_servidor = new ServidorFtp; }
    void cleanupTestCase() { delete g_servidor; }

    void nadaEnElServidor()
    {
        Escena e;
        e.corre();
        // The run ends at step 1 (no arrow left running), naming both files missing.
        QCOMPARE(e.indicadores(), Indicadores({I::Fin, I::Ninguno, I::Ninguno, I::Ninguno}));
        QCOMPARE(e.actualizacion->resultado(), u"No existió el archivo "_s + ActualizacionCatalogo::archivoClaves(123)
                                                   + u"\nNo existió el archivo revact.txt"_s);
        QVERIFY(e.mensajes().isEmpty());
        QVERIFY(!e.actualizacion->terminoConError());
        QCOMPARE(instalado(e.programa->conexion()), esperado(1, 4));
        QVERIFY(e.archivosLocales().isEmpty());
        QVERIFY(!e.programa->eftpActCatErr.conectado());
        QCOMPARE(e.servidor.usuarios().last(), u"actualizador"_s);
    }

    // The version text is the first four characters of the list's first
    // line, padded with blanks; the file name carries it as it is.
    void catalogoNuevo_data()
    {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<int>("version");
        QTest::newRow("con su campo de diez") << u"13  2026021401"_s << u"ACTE13  .mdb.mz"_s << 13;
        QTest::newRow("dos dígitos solos") << u"12"_s << u"ACTE12  .mdb.mz"_s << 12;
        QTest::newRow("ceros a la izquierda") << u"0007"_s << u"ACTE0007.mdb.mz"_s << 7;
        QTest::newRow("más de cuatro") << u"123456"_s << u"ACTE1234.mdb.mz"_s << 1234;
    }
    void catalogoNuevo()
    {
        QFETCH(QString, linea);
        QFETCH(QString, archivo);
        QFETCH(int, version);
        Escena e;
        QCOMPARE(ActualizacionCatalogo::archivoCatalogo(ActualizacionCatalogo::versionTexto(linea)), archivo);
        e.publicaCatalogo(linea, version, 6);
        QSignalSpy pasos(e.actualizacion.get(), &ActualizacionCatalogo::indicadorCambiado);
        QSignalSpy avances(e.actualizacion.get(), &ActualizacionCatalogo::avanceCambiado);
        e.corre();
        QVERIFY2(e.mensajes().isEmpty(), qPrintable(e.mensajes().join(u'\n')));
        QCOMPARE(e.indicadores(), Indicadores({I::Hecho, I::Hecho, I::Hecho, I::Fin}));
        QCOMPARE(e.actualizacion->resultado(), u"Catálogo actualizado satisfactoriamente!!!"_s);
        // The installation told its tables and rows as it went, then cleared its line.
        QStringList textos;
        for (const auto &senal : avances)
            textos << senal[0].toString();
        QCOMPARE(textos.first(), u"Tabla ERRORESM (1 de 7): 0 de 6 filas"_s);
        QVERIFY(textos.contains(u"Tabla INFORMACION (7 de 7): 6 de 6 filas"_s));
        QCOMPARE(textos.last(), QString());
        QCOMPARE(e.programa->parametros().entero(u"vererr"_s), version);
        QCOMPARE(instalado(e.programa->conexion()), esperado(version, 6));
        QCOMPARE(indices(e.programa->conexion()).size(), 7);
        QCOMPARE(e.parametro(u"vererr"_s).toInt(), version);
        QVERIFY(e.archivosLocales().isEmpty());
        // Running, then done, step after step; the last step only ends.
        QStringList orden;
        for (const auto &senal : pasos)
            orden << u"%1:%2"_s.arg(senal[0].toInt()).arg(int(senal[1].value<I>()));
        QCOMPARE(orden, QStringList({u"1:1"_s, u"1:2"_s, u"2:1"_s, u"2:2"_s, u"3:1"_s, u"3:2"_s, u"4:3"_s}));

        // Published again: nothing newer, nothing downloaded.
        e.servidor.escribe(u"/update/"_s + archivo, "dañado");
        e.corre();
        QCOMPARE(e.indicadores(), Indicadores({I::Hecho, I::Fin, I::Ninguno, I::Ninguno}));
        QCOMPARE(e.actualizacion->resultado(), u"No existen actualizaciones del catálogo!!!"_s);
        QVERIFY(e.mensajes().isEmpty());
        QVERIFY(e.archivosLocales().isEmpty());
    }

    void versionIgual()
    {
        Escena e;
        e.publica(u"revact.txt"_s, "1   2026021401\r\n");
        e.publica(u"ACTE1   .mdb.mz"_s, "no se descarga");
        e.corre();
        QCOMPARE(e.indicadores(), Indicadores({I::Hecho, I::Fin, I::Ninguno, I::Ninguno}));
        QCOMPARE(e.actualizacion->resultado(), u"No existen actualizaciones del catálogo!!!"_s);
        QVERIFY(e.mensajes().isEmpty());
        QCOMPARE(e.parametro(u"vererr"_s), u"1"_s);
    }

    // An Access update as the organisation publishes it, lacking the
    // catalogue's tables: the run says which and keeps the catalogue.
    void accessSinTablas()
    {
        Escena e;
        e.publica(u"revact.txt"_s, "21\r\n");
        e.publica(u"ACTE21  .mdb.mz"_s, comprime(lee(kNwind)));
        e.corre();
        QCOMPARE(e.mensajes(), QStringList {u"La actualización del catálogo no contiene la tabla ERRORESM.\r\n"
                                            "El catálogo instalado se conserva."_s});
        QCOMPARE(e.oficina.dialogos.mensajes[0].titulo, Dialogos::nombreProducto());
        QCOMPARE(e.oficina.dialogos.mensajes[0].icono, Dialogos::Icono::Critico);
        QCOMPARE(e.actualizacion->resultado(), u"La actualización del catálogo no contiene la tabla ERRORESM"_s);
        QCOMPARE(e.indicadores(), Indicadores({I::Hecho, I::Hecho, I::Hecho, I::Fin}));
        QVERIFY(e.actualizacion->terminoConError());
        QCOMPARE(instalado(e.programa->conexion()), esperado(1, 4));
        QCOMPARE(e.parametro(u"vererr"_s), u"1"_s);
        QVERIFY(e.archivosLocales().isEmpty());
    }

    void sinBaseDescomprimida_data()
    {
        QTest::addColumn<bool>("publicado");
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("resultado");
        QTest::newRow("no publicado")
            << false << QByteArray() << u"No se recibió el archivo de actualización del catálogo \"ACTE22  .mdb.mz\""_s;
        QTest::newRow("vacío") << true << QByteArray()
                               << u"El archivo de actualización del catálogo \"ACTE22  .mdb.mz\" llegó vacío"_s;
        QByteArray alterado = comprime(QByteArray(200000, 'a') + "fin");
        alterado[alterado.size() - 2] = char(alterado[alterado.size() - 2] ^ 0x10);
        QTest::newRow("dañado") << true << alterado
                                << u"El archivo de actualización del catálogo \"ACTE22  .mdb.mz\" está dañado: "
                                   "los datos comprimidos están dañados (incorrect data check)"_s;
        QTest::newRow("cortado") << true << comprime(QByteArray(200000, 'a')).left(60)
                                 << u"El archivo de actualización del catálogo \"ACTE22  .mdb.mz\" está dañado: "
                                    "los datos comprimidos terminan antes de tiempo"_s;
    }
    void sinBaseDescomprimida()
    {
        QFETCH(bool, publicado);
        QFETCH(QByteArray, contenido);
        QFETCH(QString, resultado);
        Escena e;
        e.publica(u"revact.txt"_s, "22\r\n");
        if (publicado)
            e.publica(u"ACTE22  .mdb.mz"_s, contenido);
        e.corre();
        QCOMPARE(e.mensajes(), QStringList {resultado + u".\r\nEl catálogo instalado se conserva."_s});
        QCOMPARE(e.actualizacion->resultado(), resultado);
        QCOMPARE(e.indicadores(), Indicadores({I::Hecho, I::Hecho, I::Fin, I::Ninguno}));
        QCOMPARE(instalado(e.programa->conexion()), esperado(1, 4));
        QCOMPARE(e.parametro(u"vererr"_s), u"1"_s);
        QVERIFY(e.archivosLocales().isEmpty());
    }

    // The password change file: applied when its date has come, queued
    // otherwise and applied by the start of that day.
    void claves_data()
    {
        QTest::addColumn<int>("dias");
        QTest::newRow("de hoy") << 0;
        QTest::newRow("de ayer") << -1;
        QTest::newRow("de mañana") << 1;
    }
    void claves()
    {
        QFETCH(int, dias);
        Escena e;
        const QString ftp = Funciones::Codifica_Cadena(u"NuevaFtp"_s);
        const QDate efectiva = kHoy.addDays(dias);
        e.publica(u"Cpas0123.rgs"_s, Ansi::codifica(ftp + u"|PATENTE99|"_s + Funciones::Codifica_Cadena(fecha(efectiva))
                                                    + u"|resto\r\n"_s));
        const QString ftpAntes = e.parametro(u"PassFTP"_s);
        e.corre();
        QVERIFY(e.mensajes().isEmpty());
        // The file was there; the catalogue list was not, and is named.
        QCOMPARE(e.actualizacion->resultado(), u"No existió el archivo revact.txt"_s);
        if (dias <= 0) {
            QCOMPARE(e.parametro(u"PassFTP"_s), ftp);
            QCOMPARE(e.parametro(u"Password"_s), u"PATENTE99"_s);
            QCOMPARE(e.programa->valores().ClaveFTP, u"NuevaFtp"_s); // as it comes, not lower case
            QVERIFY(e.cola().isEmpty());
            return;
        }
        QCOMPARE(e.parametro(u"PassFTP"_s), ftpAntes);
        QCOMPARE(e.cola(), QStringList({u"12|%1|2026-02-15"_s.arg(ftp), u"13|PATENTE99|2026-02-15"_s}));
        QVERIFY(e.archivosLocales().isEmpty());

        // The start of the next day applies them.
        e.oficina.reloj.fija(QDateTime(efectiva, QTime(8, 0)));
        e.inicia();
        QCOMPARE(e.parametro(u"PassFTP"_s), ftp);
        QCOMPARE(e.parametro(u"Password"_s), u"PATENTE99"_s);
        QCOMPARE(e.programa->valores().ClaveFTP, u"nuevaftp"_s);
        QVERIFY(e.cola().isEmpty());
    }

    void clavesYaEnCola_data()
    {
        QTest::addColumn<QStringList>("antes");
        QTest::addColumn<QString>("fechaArchivo");
        QTest::addColumn<QStringList>("despues");
        const QString ftp = Funciones::Codifica_Cadena(u"NuevaFtp"_s);
        QTest::newRow("los mismos valores que ya tiene") << QStringList() << u"="_s << QStringList();
        QTest::newRow("más reciente que la cola")
            << QStringList({u"12|viejo|2026-02-16"_s, u"13|viejo|2026-02-16"_s}) << u"17/02/2026"_s
            << QStringList({u"12|%1|2026-02-17"_s.arg(ftp), u"13|P2|2026-02-17"_s});
        QTest::newRow("anterior a la cola")
            << QStringList({u"12|viejo|2026-02-20"_s, u"13|viejo|2026-02-20"_s}) << u"17/02/2026"_s
            << QStringList({u"12|viejo|2026-02-20"_s, u"13|viejo|2026-02-20"_s});
        // A campo without a row gets one, next to the row of the other.
        QTest::newRow("sólo la contraseña de la patente en cola")
            << QStringList({u"13|viejo|2026-02-16"_s}) << u"17/02/2026"_s
            << QStringList({u"12|%1|2026-02-17"_s.arg(ftp), u"13|P2|2026-02-17"_s});
        QTest::newRow("sólo la del FTP en cola")
            << QStringList({u"12|viejo|2026-02-16"_s}) << u"17/02/2026"_s
            << QStringList({u"12|%1|2026-02-17"_s.arg(ftp), u"13|P2|2026-02-17"_s});
    }
    void clavesYaEnCola()
    {
        QFETCH(QStringList, antes);
        QFETCH(QString, fechaArchivo);
        QFETCH(QStringList, despues);
        Escena e;
        for (const QString &fila : antes) {
            const QStringList c = fila.split(u'|');
            e.programa->conexion().ejecuta(u"INSERT INTO ACTUALIZACIONES (CAMPO, VALOR, FECHA) VALUES (?, ?, ?)"_s,
                                           {c[0].toInt(), c[1], c[2]});
        }
        const QString ftp = Funciones::Codifica_Cadena(u"NuevaFtp"_s);
        if (fechaArchivo == u"=") {
            // The values already stored, dated tomorrow.
            e.publica(u"Cpas0123.rgs"_s,
                      Ansi::codifica(e.parametro(u"PassFTP"_s) + u'|' + e.parametro(u"Password"_s) + u'|'
                                     + Funciones::Codifica_Cadena(u"15/02/2026"_s) + u"|\r\n"_s));
        } else {
            e.publica(u"Cpas0123.rgs"_s,
                      Ansi::codifica(ftp + u"|P2|"_s + Funciones::Codifica_Cadena(fechaArchivo) + u"|\r\n"_s));
        }
        e.corre();
        QVERIFY(e.mensajes().isEmpty());
        QCOMPARE(e.cola(), despues);
    }

    // The parameter change list: applied, queued or ignored line by line, the
    // new update folder used by the rest of the same run.
    void parametros()
    {
        Escena e;
        e.publica(u"revactp.txt"_s, "3\r\n");
        QByteArray lista;
        lista += cambio(11, u"/update2"_s, kHoy);
        lista += cambio(2, u"/ag0123b"_s, kHoy.addDays(-3));
        lista += cambio(1, u"AGENCIA NUEVA SA"_s, kHoy);
        lista += cambio(5, u"/yexin2"_s, kHoy.addDays(2));
        lista += cambio(9, u"/sag1"_s, kHoy.addDays(5));
        lista += cambio(9, u"/sag2"_s, kHoy.addDays(4));
        lista += cambio(12, Funciones::Codifica_Cadena(u"otra"_s), kHoy);
        lista += cambio(12, Funciones::Codifica_Cadena(u"ayer"_s), kHoy.addDays(-1));
        lista += cambio(12, Funciones::Codifica_Cadena(u"luego"_s), kHoy.addDays(1));
        lista += cambio(16, u"nada"_s, kHoy);
        lista += "\r\n";
        e.publica(u"Actpm003.act"_s, lista);
        e.publicaCatalogo(u"30"_s, 30, 2, u"/update2"_s);
        const QString ftpAntes = e.parametro(u"PassFTP"_s);

        e.corre();
        QVERIFY2(e.mensajes().isEmpty(), qPrintable(e.mensajes().join(u'\n')));
        QCOMPARE(e.parametro(u"VerPar"_s), u"3"_s);
        QCOMPARE(e.parametro(u"yex_update"_s), u"/update2"_s);
        QCOMPARE(e.parametro(u"yex_valin"_s), u"/ag0123b"_s);
        QCOMPARE(e.parametro(u"rasoc"_s), u"AGENCIA NUEVA SA"_s);
        QCOMPARE(e.parametro(u"yex_pagin"_s), u"/yexin"_s);
        QCOMPARE(e.parametro(u"PassFTP"_s), ftpAntes);
        QCOMPARE(e.programa->valores().yex_update, u"/update2"_s);
        QCOMPARE(e.programa->valores().yex_valin, u"/ag0123b"_s);
        QCOMPARE(e.cola(), QStringList({u"5|/yexin2|2026-02-16"_s, u"9|/sag2|2026-02-18"_s,
                                        u"12|%1|2026-02-15"_s.arg(Funciones::Codifica_Cadena(u"luego"_s))}));
        // The catalogue came from the new folder in the same run.
        QCOMPARE(e.actualizacion->resultado(), u"Catálogo actualizado satisfactoriamente!!!"_s);
        QCOMPARE(e.parametro(u"vererr"_s), u"30"_s);
        QVERIFY(e.archivosLocales().isEmpty());

        // The same version again: the list is not fetched, VerPar stays.
        e.servidor.escribe(u"/update2/revactp.txt"_s, "3\r\n");
        e.servidor.escribe(u"/update2/Actpm003.act"_s, cambio(3, u"/otra"_s, kHoy));
        e.corre();
        QCOMPARE(e.parametro(u"yex_valout"_s), u"/ag0123"_s);
        QCOMPARE(e.parametro(u"VerPar"_s), u"3"_s);

        // Two days later the queued folder is in effect from the start.
        e.oficina.reloj.fija(QDateTime(kHoy.addDays(2), QTime(9, 0)));
        e.inicia();
        QCOMPARE(e.parametro(u"yex_pagin"_s), u"/yexin2"_s);
        QCOMPARE(e.programa->valores().yex_pagin, u"/yexin2"_s);
        QCOMPARE(e.cola(), QStringList({u"9|/sag2|2026-02-18"_s}));
    }

    // A line that cannot be read changes nothing of the list.
    void listaIlegible()
    {
        Escena e;
        e.publica(u"revactp.txt"_s, "4\r\n");
        e.publica(u"Actpm004.act"_s, cambio(2, u"/ag9"_s, kHoy) + cambio(3, u"/ag8"_s, QDate()));
        e.corre();
        QCOMPARE(e.mensajes().size(), 1);
        QVERIFY2(e.mensajes()[0].startsWith(
                     u"Error Número: 13\r\nDescripción: La fecha \"\" del archivo Actpm004.act no es válida\r\n"
                     "Proceso: Actualización del catálogo de errores"_s),
                 qPrintable(e.mensajes()[0]));
        QCOMPARE(e.oficina.dialogos.mensajes[0].titulo, Dialogos::tituloPrograma());
        QCOMPARE(e.oficina.dialogos.mensajes[0].icono, Dialogos::Icono::Ninguno);
        QVERIFY(e.actualizacion->terminoConError());
        QCOMPARE(e.parametro(u"yex_valin"_s), u"/ag0123"_s);
        QCOMPARE(e.parametro(u"VerPar"_s), u"0"_s);
        QCOMPARE(e.programa->parametros().texto(u"yex_valin"_s), u"/ag0123"_s);
        QVERIFY(e.archivosLocales().isEmpty());
        QVERIFY(!e.programa->eftpActCatErr.conectado());
    }

    void loginRechazado()
    {
        Escena e;
        e.publicaCatalogo(u"40"_s, 40);
        e.servidor.rechazaLogin();
        e.corre();
        QCOMPARE(e.mensajes(), QStringList {u"Usuario o Password no aceptado"_s});
        QCOMPARE(e.oficina.dialogos.mensajes[0].icono, Dialogos::Icono::Critico);
        QCOMPARE(e.oficina.dialogos.mensajes[0].titulo, Dialogos::nombreProducto());
        QCOMPARE(e.indicadores(), Indicadores({I::Ninguno, I::Ninguno, I::Ninguno, I::Ninguno}));
        QVERIFY(e.actualizacion->terminoConError());
        QCOMPARE(instalado(e.programa->conexion()), esperado(1, 4));
    }

    void servidorCaido()
    {
        Escena e;
        {
            ServidorFtp apagado;
            apagado.apunta(e.oficina);
        } // nothing listens on that port any more
        e.inicia();
        e.corre();
        QCOMPARE(e.mensajes(),
                 QStringList {u"No hay conexión al servidor de VORDELAN\r\n\r\nRevisa tu Conexión de Red o tu "
                              "Contraseña de Acceso"_s});
        QCOMPARE(e.oficina.dialogos.mensajes[0].icono, Dialogos::Icono::Critico);
        QVERIFY(e.actualizacion->terminoConError());
        QCOMPARE(instalado(e.programa->conexion()), esperado(1, 4));
    }

    void teclas()
    {
        Escena e;
        QSignalSpy oculta(e.actualizacion.get(), &ActualizacionCatalogo::ocultaVentana);
        QCoro::waitFor(e.actualizacion->Movimientos(u"otra"_s));
        QCOMPARE(oculta.size(), 0);
        QCoro::waitFor(e.actualizacion->Movimientos(u"salir"_s));
        QCOMPARE(oculta.size(), 1);
        QVERIFY(e.mensajes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(PruebaActualizacionCatalogo)
#include "PruebaActualizacionCatalogo.moc"
