// An office on a PostgreSQL server: `tendal init --base` creates it there and
// the start-up file names it, the program starts on it, an address with a
// password is refused, and `tendal migrar` copies a file's office to the
// server with every row and id. A real cluster of the test's own.

#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"
#include "core/catalogo/InstalacionCatalogo.h"
#include "core/db/Conexion.h"
#include "core/db/HistorialDiario.h"
#include "core/oficina/ListaEnvio.h"
#include "core/oficina/Programa.h"
#include "tests/soporte/ActualizacionPrueba.h"
#include "tests/soporte/ClusterPostgres.h"
#include "tests/soporte/HistorialPrueba.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"
#include "tests/soporte/Omision.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

qint64 cuenta(const Conexion &c, const QString &sql)
{
    QSqlQuery q = c.ejecuta(sql);
    return q.next() ? q.value(0).toLongLong() : -1;
}

} // namespace

class PruebaOficinaServidor : public QObject
{
    Q_OBJECT

    std::shared_ptr<ClusterPostgres> m_cluster;

private slots:
    void initTestCase()
    {
        OMITE_SI_FALTA(ClusterPostgres::noDisponible());
        m_cluster = ClusterPostgres::compartido();
        qputenv("TENDAL_CLAVE_FTP", "secreto");
        qputenv("TENDAL_CLAVE_PAGO", "Pago123");
    }

    // init --base: the office's tables on the server, the local folders under
    // the data folder, the start-up file naming the server; the program
    // starts on it. A second init on the same database is refused.
    void initEnServidor()
    {
        QTemporaryDir dir;
        const QString ini = QDir(dir.path()).filePath(u"Tendal.ini"_s);
        const QString datos = QDir(dir.path()).filePath(u"datos"_s);
        const QString direccion = m_cluster->creaBase();
        const QStringList init
            = {u"--ini"_s,           ini,   u"init"_s,   u"--patente"_s, u"123"_s, u"--agente"_s, u"AGENCIA"_s,
               u"--carpeta-datos"_s, datos, u"--base"_s, direccion};
        const SalidaComando s = tendalEnProceso(init);
        QCOMPARE(s.estado, 0);
        QVERIFY2(s.out.contains(u"Base de datos creada: "_s + direccion), qPrintable(s.out));
        QCOMPARE(Ansi::leePrimeraLinea(ini).trimmed(), u"DATOS = "_s + direccion);
        QVERIFY(!QFile::exists(QDir(datos).filePath(Conexion::nombreArchivo())));
        QVERIFY(QFileInfo(QDir(datos).filePath(u"envio/saai"_s)).isDir());

        const SalidaComando config = tendalEnProceso({u"--ini"_s, ini, u"config"_s, u"Patente"_s});
        QCOMPARE(config.estado, 0);
        QCOMPARE(config.out, u"123\n"_s);

        const SalidaComando otra = tendalEnProceso(init);
        QCOMPARE(otra.estado, 1);
        QVERIFY2(otra.err.contains(u"ya tiene una oficina"_s), qPrintable(otra.err));
        // Refused, it leaves no folder of its own behind.
        QStringList otraCarpeta = init;
        otraCarpeta[otraCarpeta.indexOf(datos)] = QDir(dir.path()).filePath(u"otra/datos"_s);
        QCOMPARE(tendalEnProceso(otraCarpeta).estado, 1);
        QVERIFY(!QFile::exists(QDir(dir.path()).filePath(u"otra"_s)));
    }

    // A password in the address, a malformed address or an option the
    // driver does not know is refused before anything is created, and the
    // message never repeats the secret: the password belongs in libpq's
    // password file, never in the start-up file.
    void direccionRechazada()
    {
        QTemporaryDir dir;
        const QString ini = QDir(dir.path()).filePath(u"Tendal.ini"_s);
        const QString datos = QDir(dir.path()).filePath(u"nueva/datos"_s);
        const QString base = m_cluster->creaBase();
        const QList<QPair<QString, QString>> casos = {
            {QString(base).replace(u"tendal@"_s, u"tendal:secreta@"_s), u"~/.pgpass"_s},
            {base + u"&password=secreta"_s, u"~/.pgpass"_s},
            {base + u"&PASSWORD=secreta"_s, u"~/.pgpass"_s},
            {u"postgresql://oficina:secreta@[/sock]/ofi"_s, u"no es válida"_s},
            {base + u"&clave=secreta"_s, u"«clave»"_s},
        };
        for (const auto &[direccion, motivo] : casos) {
            const SalidaComando s
                = tendalEnProceso({u"--ini"_s, ini, u"init"_s, u"--patente"_s, u"123"_s, u"--agente"_s, u"A"_s,
                                   u"--carpeta-datos"_s, datos, u"--base"_s, direccion});
            QCOMPARE(s.estado, 1);
            QVERIFY2(s.err.contains(motivo) && !s.err.contains(u"secreta"_s), qPrintable(s.err));
            QVERIFY(!QFile::exists(ini));
            QVERIFY2(!QFile::exists(QDir(dir.path()).filePath(u"nueva"_s)), qPrintable(direccion));
        }
        QVERIFY_THROWS_EXCEPTION(ErrorTendal, Conexion::abre(base)); // no office was created
    }

    // migrar: every table's rows with their ids; the lists read the same on
    // the server, new rows take ids after the copied ones; a second copy is
    // refused.
    void migrar()
    {
        Oficina oficina; // its file
        Programa &p = oficina.carga();
        p.listaEnvio().agrega({u"M0123001.045"_s, u"E"_s, u"2"_s, u"/ag0123"_s, u"/ag0123"_s});
        p.listaEnvio().agrega({u"M0123002.045"_s, u"E"_s, u"2"_s, u"/ag0123"_s, u"/ag0123"_s});
        p.listaEnvio().agrega({u"k0123000.045"_s, u"K"_s, u"4"_s, {}, {}});
        p.conexion().ejecuta(u"INSERT INTO ERRORESB (NUM_ERROR, DESCRIPCION) VALUES (7, 'SIETE')"_s);
        p.conexion().ejecuta(u"INSERT INTO ACTUALIZACIONES (CAMPO, VALOR, FECHA) VALUES (3, 'X', '2026-03-01')"_s);
        const QStringList antes = {p.listaEnvio().celda(0, 0), p.listaEnvio().celda(1, 0), p.listaEnvio().celda(2, 0)};
        // A response received with its bytes (any byte value).
        const QByteArray bytes("PREVALIDADO\0\xff\x80\r\n", 16);
        const qint64 t = HistorialPrueba::envia(p, u"M0123009.045"_s, QDateTime::currentDateTimeUtc());
        HistorialPrueba::responde(p, t, u"K"_s, u"k0123009.045"_s, bytes, QDateTime::currentDateTimeUtc(),
                                  oficina.carpeta(u"val_rec"_s));

        const QString direccion = m_cluster->creaBase();
        const SalidaComando s = tendalEnProceso({u"--ini"_s, oficina.ini(), u"migrar"_s, direccion});
        QCOMPARE(s.estado, 0);
        for (const QString &linea : {u"PARAMETROS: 1 fila"_s, u"COLA_ENVIO: 2 filas"_s, u"RESPUESTA: 2 filas"_s,
                                     u"RESPUESTA_CONTENIDO: 1 fila"_s, u"ERRORESB: 1 fila"_s,
                                     u"ACTUALIZACIONES: 1 fila"_s, u"TRANSMISION: 1 fila"_s})
            QVERIFY2(s.out.contains(linea + u'\n'), qPrintable(s.out));

        const auto servidor = Conexion::abre(direccion);
        QCOMPARE(cuenta(*servidor, u"SELECT COUNT(*) FROM ERRORESB WHERE DESCRIPCION = 'SIETE'"_s), 1);
        QCOMPARE(cuenta(*servidor, u"SELECT NUMERO FROM DIARIO_VERSION"_s),
                 cuenta(p.conexion(), u"SELECT NUMERO FROM DIARIO_VERSION"_s));
        const qint64 mayor = cuenta(*servidor, u"SELECT MAX(ID) FROM COLA_ENVIO"_s);
        QCOMPARE(mayor, cuenta(p.conexion(), u"SELECT MAX(ID) FROM COLA_ENVIO"_s));

        // The program on the server shows the same lists, and goes on.
        Ansi::escribeLineas(oficina.ini(), {u"DATOS = "_s + direccion}, true);
        DialogosGuion dialogos;
        Programa enServidor(Carpetas(oficina.trabajo(), oficina.ini()), oficina.reloj, dialogos, oficina.limitesFtp);
        enServidor.carga();
        QCOMPARE(enServidor.parametros().texto(u"Patente"_s), u"123"_s);
        QCOMPARE(enServidor.listaEnvio().cuenta(), 4);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(enServidor.listaEnvio().celda(i, 0), antes[i]);
        QCOMPARE(HistorialDiario(enServidor.conexion()).contenido(enServidor.listaEnvio().respuesta(3)), bytes);
        enServidor.listaEnvio().agrega({u"M0123003.045"_s, u"E"_s, u"2"_s, u"/ag0123"_s, u"/ag0123"_s});
        QCOMPARE(cuenta(*servidor, u"SELECT MAX(ID) FROM COLA_ENVIO"_s), mayor + 1);

        const SalidaComando otra = tendalEnProceso({u"--ini"_s, oficina.ini(), u"migrar"_s, direccion});
        QCOMPARE(otra.estado, 1);
        QVERIFY2(otra.err.contains(u"ya está en el servidor"_s), qPrintable(otra.err));
    }

    // The catalogue installed on the server in one transaction: the other
    // workstations read the installed catalogue until it ends, then the new
    // one whole; vererr says so.
    void catalogoEnServidor()
    {
        qputenv("TENDAL_PRUEBA_BASE", "postgresql");
        Oficina oficina;
        qunsetenv("TENDAL_PRUEBA_BASE");
        QVERIFY(oficina.enServidor());
        const auto lectora = Conexion::abre(oficina.base());
        QTemporaryDir dir;
        const QString v13 = QDir(dir.path()).filePath(u"ACTE13.db"_s);
        const QString v14 = QDir(dir.path()).filePath(u"ACTE14.db"_s);
        CatalogoPrueba::creaSqlite(v13, 13, 25);
        CatalogoPrueba::creaSqlite(v14, 14, 30);
        InstalacionCatalogo(oficina.base()).instala(v13, 13);
        QCOMPARE(CatalogoPrueba::instalado(*lectora), CatalogoPrueba::esperado(13, 25));

        InstalacionCatalogo instalacion(oficina.base());
        QStringList vistoDurante;
        instalacion.trasTabla = [&](int tabla) {
            if (tabla == 7)
                vistoDurante = CatalogoPrueba::instalado(*lectora);
        };
        instalacion.instala(v14, 14);
        QCOMPARE(vistoDurante, CatalogoPrueba::esperado(13, 25));
        QCOMPARE(CatalogoPrueba::instalado(*lectora), CatalogoPrueba::esperado(14, 30));
        QCOMPARE(cuenta(*lectora, u"SELECT vererr FROM PARAMETROS"_s), 14);
        // The case-blind lookup of ERRORESD works on the server too.
        QCOMPARE(
            cuenta(*lectora, u"SELECT COUNT(*) FROM ERRORESD WHERE TIPO_ERROR = LOWER(TIPO_ERROR) COLLATE NOCASE"_s),
            30);
    }
};

QTEST_GUILESS_MAIN(PruebaOficinaServidor)
#include "PruebaOficinaServidor.moc"
