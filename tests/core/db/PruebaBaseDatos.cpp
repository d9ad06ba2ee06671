#include "cli/LineaComandos.h"
#include "core/oficina/Actualizaciones.h"
#include "core/base/Ansi.h"
#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/db/RsParametros.h"
#include "core/oficina/Programa.h"
#include "tests/soporte/Oficina.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

// The database, the configuration record, the start-up sequence and the
// scheduled parameter changes.
class PruebaBaseDatos : public QObject
{
    Q_OBJECT

    static QString errorDeInicio(const QString &ini)
    {
        RelojFijo reloj(QDateTime(QDate(2026, 2, 14), QTime(9, 0)));
        DialogosGuion dialogos;
        QTemporaryDir trabajo;
        Programa programa(Carpetas(trabajo.path(), ini), reloj, dialogos);
        try {
            programa.carga();
        } catch (const ErrorTendal &e) {
            return e.descripcion();
        }
        return {};
    }

private slots:
    void inicioSinArchivosNecesarios()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Tendal.ini"));
        QString error = errorDeInicio(ini);
        QVERIFY2(error.contains(QStringLiteral("No se encontró el archivo de inicio")) && error.contains(ini),
                 qPrintable(error));

        Ansi::escribeLineas(ini, {QStringLiteral("corta")});
        error = errorDeInicio(ini);
        QVERIFY2(error.contains(QStringLiteral("ocho caracteres")) && error.contains(ini), qPrintable(error));

        // A NUL in the folder (a cut copy): said in Spanish, no Qt warning.
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("DATOS = " + dir.filePath(QStringLiteral("da")).toLocal8Bit() + QByteArray(1, '\0') + "tos\r\n");
        }
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".+")));
        error = errorDeInicio(ini);
        QVERIFY2(error.contains(QStringLiteral("carácter de control (código 0)")) && error.contains(ini),
                 qPrintable(error));

        // A folder without a database: named in the message, nothing created.
        Ansi::escribeLineas(ini, {QStringLiteral("DATOS = ") + dir.filePath(QStringLiteral("vacia"))});
        QDir().mkpath(dir.filePath(QStringLiteral("vacia")));
        error = errorDeInicio(ini);
        QVERIFY2(error.contains(QStringLiteral("Prevalida.db")) && error.contains(QStringLiteral("no existe")),
                 qPrintable(error));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("vacia/Prevalida.db"))));

        // A file that is not a database.
        Ansi::escribeLineas(dir.filePath(QStringLiteral("vacia/Prevalida.db")), {QStringLiteral("hola")});
        error = errorDeInicio(ini);
        QVERIFY2(error.contains(QStringLiteral("no es una base de datos")), qPrintable(error));
    }

    void lineaDeComandosDeInicio()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Tendal.ini"));
        QString salida, errores, entrada;
        QTextStream out(&salida), err(&errores), in(&entrada);
        LineaComandos cli(out, err, &in);
        const auto conEntrada = [&](const QString &texto) {
            entrada = texto;
            in.setString(&entrada);
        };
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config")}), 1);
        QVERIFY(errores.contains(QStringLiteral("No se encontró el archivo de inicio")));

        // A password written on the command line is refused before anything is made.
        errores.clear();
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("init"), QStringLiteral("--patente"),
                              QStringLiteral("123"), QStringLiteral("--agente"), QStringLiteral("JUAN PÉREZ"),
                              QStringLiteral("--clave-ftp"), QStringLiteral("Secreto")}),
                 2);
        QVERIFY2(errores.contains(QStringLiteral("no se escriben en la línea de comandos")), qPrintable(errores));
        QVERIFY(!QFileInfo::exists(ini));

        // A data folder the start-up file cannot hold (Windows-1252) is refused, creating nothing.
        errores.clear();
        const QString ajena = dir.filePath(QStringLiteral("datos-日本-€"));
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("init"), QStringLiteral("--patente"),
                              QStringLiteral("123"), QStringLiteral("--agente"), QStringLiteral("X"),
                              QStringLiteral("--carpeta-datos"), ajena}),
                 1);
        QVERIFY2(errores.contains(QStringLiteral("no se puede guardar en el archivo de inicio")), qPrintable(errores));
        QVERIFY2(errores.contains(QStringLiteral("«日»")), qPrintable(errores));
        QVERIFY(!QFileInfo::exists(ini));
        QVERIFY(!QFileInfo::exists(ajena));

        // "-": the first line of standard input is the FTP password, the second the payment password.
        conEntrada(QStringLiteral("Secreto\nPago1\n"));
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("init"), QStringLiteral("--patente"),
                              QStringLiteral("123"), QStringLiteral("--agente"), QStringLiteral("JUAN PÉREZ"),
                              QStringLiteral("--clave-ftp"), QStringLiteral("-"), QStringLiteral("--clave-pago"),
                              QStringLiteral("-")}),
                 0);
        // The program logs in with it in lower case: the person is told.
        QVERIFY2(errores.contains(QStringLiteral("la contraseña FTP se guarda y se usa en minúsculas")),
                 qPrintable(errores));
        const QString datos = dir.filePath(QStringLiteral("datos"));
        const QString base = QDir(datos).filePath(QStringLiteral("Prevalida.db"));
        const auto clave = [&](const char *columna) {
            auto conexion = Conexion::abre(datos);
            return RsParametros(*conexion).texto(QString::fromLatin1(columna));
        };
        QCOMPARE(clave("PassFTP"), Funciones::Codifica_Cadena(QStringLiteral("Secreto")));
        QCOMPARE(clave("PassBan"), Funciones::Codifica_Cadena(QStringLiteral("Pago1")));
        // Owner-only: the database, its folder and the start-up file.
        const auto soloDueno = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QCOMPARE(QFileInfo(base).permissions() & ~QFileDevice::Permissions(0x0700), soloDueno);
        QCOMPARE(QFileInfo(ini).permissions() & ~QFileDevice::Permissions(0x0700), soloDueno);
        QCOMPARE(QFileInfo(datos).permissions() & ~QFileDevice::Permissions(0x0700), soloDueno | QFileDevice::ExeOwner);

        salida.clear();
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config"), QStringLiteral("Patente")}), 0);
        QCOMPARE(salida, QStringLiteral("123\n"));
        // The catalogue is empty: its version is 0, so any published one is newer.
        salida.clear();
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config"), QStringLiteral("vererr")}), 0);
        QCOMPARE(salida, QStringLiteral("0\n"));
        // A second init refuses to overwrite the database.
        errores.clear();
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("init"), QStringLiteral("--patente"),
                              QStringLiteral("5"), QStringLiteral("--agente"), QStringLiteral("X")}),
                 1);
        QVERIFY(errores.contains(QStringLiteral("no se sobrescribe")));

        // config: a password in the arguments changes nothing; "-" reads it.
        errores.clear();
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config"),
                              QStringLiteral("yex_update=/otra"), QStringLiteral("clave_pago=abc")}),
                 2);
        QVERIFY(errores.contains(QStringLiteral("no se escriben en la línea de comandos")));
        QCOMPARE(clave("yex_update"), QStringLiteral("/update"));
        conEntrada(QStringLiteral("abc\n"));
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config"), QStringLiteral("clave_pago=-"),
                              QStringLiteral("yex_update=/upd")}),
                 0);
        QCOMPARE(clave("PassBan"), QStringLiteral("qsu"));
        // Passwords are never shown, not even scrambled.
        salida.clear();
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config")}), 0);
        QVERIFY(salida.contains(QStringLiteral("PassBan=(no se muestra)\n")));
        QVERIFY(salida.contains(QStringLiteral("PassFTP=(no se muestra)\n")));
        QVERIFY(!salida.contains(QStringLiteral("qsu")));
        QVERIFY(salida.contains(QStringLiteral("yex_update=/upd\n")));
        QVERIFY(salida.contains(QStringLiteral("Agente=JUAN PÉREZ\n")));
        salida.clear();
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config"), QStringLiteral("clave_ftp")}), 0);
        QCOMPARE(salida, QStringLiteral("(no se muestra)\n"));

        // A database others may read is left to its owner, with a notice.
        QVERIFY(QFile::setPermissions(base, soloDueno | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        errores.clear();
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config"), QStringLiteral("Patente")}), 0);
        QVERIFY2(errores.contains(QStringLiteral("ahora solo su dueño puede leerla")), qPrintable(errores));
        QCOMPARE(QFileInfo(base).permissions() & ~QFileDevice::Permissions(0x0700), soloDueno);
        QCOMPARE(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("init")}), 2);

        // Only the database file itself: a link or a folder at its path keeps
        // its mode (and the link's target its own), and the command fails.
        QTemporaryDir otra;
        const QString objetivo = QDir(otra.path()).filePath(QStringLiteral("objetivo"));
        const auto abierto = soloDueno | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QVERIFY(QFile(objetivo).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(objetivo, abierto));
        QVERIFY(QFile::remove(base));
        QVERIFY(QFile::link(objetivo, base));
        QVERIFY(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config"), QStringLiteral("Patente")}) != 0);
        QCOMPARE(QFileInfo(objetivo).permissions() & ~QFileDevice::Permissions(0x0700), abierto);
        QVERIFY(QFile::remove(base));
        QVERIFY(QDir().mkdir(base));
        QVERIFY(QFile::setPermissions(base,
                                      abierto | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther));
        QVERIFY(cli.ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("config"), QStringLiteral("Patente")}) != 0);
        QVERIFY(QFileInfo(base).permissions() & QFileDevice::ReadOther);
    }

    // tendal config checks every value before it changes anything, and a
    // change of what the configuration window saves has that save's effects.
    void configValida()
    {
        Oficina oficina;
        oficina.carga();
        QString salida, errores;
        QTextStream out(&salida), err(&errores);
        LineaComandos cli(out, err);
        const auto config = [&](const QStringList &args) {
            errores.clear();
            salida.clear();
            return cli.ejecuta(QStringList {QStringLiteral("--ini"), oficina.ini(), QStringLiteral("config")} + args);
        };
        for (const char *malo :
             {"Patente=abc", "Patente=99999", "Patente=-5", "Patente=", "Patente=12.7", "vererr=abc", "VerPar=70000",
              "tipo_acceso=7", "proxy=1", "cifrado=3", "espera_respuesta=0", "espera_respuesta=abc", "NoExiste=1"}) {
            QCOMPARE(config({QStringLiteral("yex_update=/nuevo"), QString::fromUtf8(malo)}), 2);
            QVERIFY2(errores.contains(QString::fromUtf8(malo).section(u'=', 0, 0)), qPrintable(errores));
        }
        QVERIFY(errores.contains(QStringLiteral("no es una columna")));
        QCOMPARE(config({QStringLiteral("Patente=99999")}), 2);
        QCOMPARE(errores, QStringLiteral("Patente=99999 no es válido: Patente acepta un número entero de 1 a 9999. "
                                         "No se cambió nada.\n"));
        QCOMPARE(config({QStringLiteral("Patente"), QStringLiteral("yex_update")}), 0);
        QCOMPARE(salida, QStringLiteral("123\n/update\n"));

        // tipo_acceso as the window saves it: acc_tel follows, vererr goes back to 1.
        QCOMPARE(config({QStringLiteral("vererr=7")}), 0);
        QCOMPARE(config({QStringLiteral("tipo_acceso=0")}), 0);
        QCOMPARE(config({QStringLiteral("acc_tel"), QStringLiteral("vererr")}), 0);
        QCOMPARE(salida, QStringLiteral("-1\n1\n"));
        QCOMPARE(config({QStringLiteral("tipo_acceso=1"), QStringLiteral("vererr=9")}), 0);
        QCOMPARE(config({QStringLiteral("acc_tel"), QStringLiteral("vererr")}), 0);
        QCOMPARE(salida, QStringLiteral("0\n9\n"));
    }

    void esquemaYRegistro()
    {
        Oficina oficina;
        Programa &p = oficina.carga();
        QSqlDatabase db = p.conexion().db();
        for (const char *tabla :
             {"PARAMETROS", "ACTUALIZACIONES", "INFORMACION", "ERRORESA", "ERRORESB", "ERRORESC", "ERRORESD",
              "ERRORESM", "ERRORESS", "TIPO_ERRORES", "COLA_ENVIO", "TRANSMISION", "RESPUESTA"})
            QVERIFY2(db.tables().contains(QString::fromLatin1(tabla)), tabla);
        QCOMPARE(db.record(QStringLiteral("ERRORESD")).count(), 5);

        RsParametros &rs = p.parametros();
        QCOMPARE(rs.entero(QStringLiteral("patente")), 123); // any case
        rs.asigna(QStringLiteral("Host"), QStringLiteral("otro.servidor"));
        rs.guarda();
        RsParametros otro(p.conexion());
        QCOMPARE(otro.texto(QStringLiteral("HOST")), QStringLiteral("otro.servidor"));
        QVERIFY_THROWS_EXCEPTION(ErrorTendal, rs.valor(QStringLiteral("no_existe")));
    }

    // A database of the version before the encryption columns gets them at
    // start, with no encryption; its record stays as it was.
    void baseDeVersionAnterior()
    {
        Oficina oficina;
        // A file in the journal of that version: its name's parts are kept
        // when the search's table comes.
        oficina.sql(QStringLiteral("DROP TRIGGER DIARIO_PARTES_ALTA"));
        oficina.sql(QStringLiteral("DROP TRIGGER DIARIO_PARTES_BAJA"));
        oficina.sql(QStringLiteral("DROP TRIGGER DIARIO_PARTES_CAMBIO"));
        oficina.sql(QStringLiteral("DROP TABLE NOMBRE_PARTE"));
        oficina.sql(QStringLiteral("DROP TABLE NOMBRE_POSICION"));
        oficina.sql(QStringLiteral("INSERT INTO TRANSMISION (NOMBRE, TIPO, ESTADO) VALUES ('m0123001.045', 'M', "
                                   "'ENVIADO')"));
        oficina.sql(QStringLiteral("DROP TABLE RESPUESTA_PASADA"));
        oficina.sql(QStringLiteral("ALTER TABLE TRANSMISION DROP COLUMN HORA_SERVIDOR"));
        oficina.sql(QStringLiteral("ALTER TABLE RESPUESTA DROP COLUMN HORA_SERVIDOR"));
        oficina.sql(QStringLiteral("DROP TABLE RESPUESTA_CONTENIDO"));
        oficina.sql(QStringLiteral("ALTER TABLE PARAMETROS DROP COLUMN cifrado"));
        oficina.sql(QStringLiteral("ALTER TABLE PARAMETROS DROP COLUMN certificado"));
        oficina.sql(QStringLiteral("ALTER TABLE PARAMETROS DROP COLUMN espera_respuesta"));
        oficina.sql(QStringLiteral("DROP TABLE PEDIMENTO"));
        oficina.sql(QStringLiteral("DROP INDEX DIARIO_RESPUESTA_PEDIMENTOS"));
        oficina.sql(QStringLiteral("ALTER TABLE RESPUESTA DROP COLUMN PEDIMENTOS"));
        oficina.sql(QStringLiteral("ALTER TABLE TRANSMISION DROP COLUMN VENCE"));
        oficina.sql(QStringLiteral("ALTER TABLE TRANSMISION DROP COLUMN EQUIPO"));
        oficina.sql(QStringLiteral("ALTER TABLE COLA_ENVIO DROP COLUMN VISTO"));
        oficina.sql(QStringLiteral("ALTER TABLE TRANSMISION DROP COLUMN CONTROL_CIFRADO"));
        oficina.sql(QStringLiteral("ALTER TABLE TRANSMISION DROP COLUMN DATOS_CIFRADOS"));
        oficina.sql(QStringLiteral("DROP INDEX DIARIO_TRANSMISION_MAYUSCULAS"));
        oficina.sql(QStringLiteral("DROP INDEX DIARIO_RESPUESTA_MAYUSCULAS"));
        oficina.sql(QStringLiteral("DROP INDEX DIARIO_TRANSMISION_MOMENTO"));
        oficina.sql(QStringLiteral("DROP INDEX DIARIO_TRANSMISION_ESTADO"));
        oficina.sql(QStringLiteral("ALTER TABLE RESPUESTA DROP COLUMN ILEGIBLE"));
        oficina.sql(QStringLiteral("PRAGMA user_version = 3"));
        Programa &p = oficina.carga();
        QCOMPARE(p.parametros().entero(QStringLiteral("cifrado")), 0);
        QCOMPARE(p.parametros().texto(QStringLiteral("certificado")), QString());
        QCOMPARE(p.parametros().entero(QStringLiteral("espera_respuesta")), 30);
        QCOMPARE(p.parametros().entero(QStringLiteral("Patente")), 123);
        // and the journal's columns of each upload's protection
        QVERIFY(
            p.conexion().ejecuta(QStringLiteral("SELECT CONTROL_CIFRADO, DATOS_CIFRADOS FROM TRANSMISION")).isActive());
        // and the parts of the names already there, in capitals
        QSqlQuery partes = p.conexion().ejecuta(QStringLiteral("SELECT PARTE FROM NOMBRE_PARTE ORDER BY PARTE"));
        QStringList leidas;
        while (partes.next())
            leidas << partes.value(0).toString();
        QCOMPARE(leidas.size(), 12);
        QVERIFY(leidas.contains(QStringLiteral("M0123001.045")) && leidas.contains(QStringLiteral("001.045")));
    }

    void valoresDelPrograma_data()
    {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<int>("accTel");
        QTest::addColumn<QString>("servidor");
        QTest::newRow("módem") << 0 << -1 << QStringLiteral("ras");
        QTest::newRow("internet") << 1 << 0 << QStringLiteral("internet");
        QTest::newRow("radio sin acc_tel") << 2 << 0 << QStringLiteral("radio");
        QTest::newRow("otro tipo: campo del proxy") << 7 << 0 << QStringLiteral("proxy.local");
    }
    void valoresDelPrograma()
    {
        QFETCH(int, tipo);
        QFETCH(int, accTel);
        QFETCH(QString, servidor);
        Oficina oficina(5);
        oficina.sql(
            QStringLiteral("UPDATE PARAMETROS SET tipo_acceso = ?, acc_tel = ?, Host_Ras = 'ras', "
                           "Host_Internet = 'internet', Host = 'radio', ip_proxy = 'proxy.local', Agente = 'A', "
                           "PassFTP = ?"),
            {tipo, accTel, Funciones::Codifica_Cadena(QStringLiteral("SeCrEtO"))});
        Programa &p = oficina.carga();
        QCOMPARE(p.valores().Servidor, servidor);
        QCOMPARE(p.valores().ClaveFTP, QStringLiteral("secreto"));
        QCOMPARE(p.valores().ClavePago, QStringLiteral("Pago123"));
        QCOMPARE(p.valores().PideClave, QStringLiteral("N"));
        QCOMPARE(p.valores().DiaJuliano, qint16(45));
        QCOMPARE(p.valores().yex_valin, QStringLiteral("/ag0005"));
        QCOMPARE(p.titulo(), QStringLiteral(" PROGRAMA DE TENDAL A VALIDACIÓN - VERSIÓN " TENDAL_VERSION_PROYECTO
                                            "  |  PATENTE 0005 - A"));
    }

    // Scheduled changes: every row dated today or earlier is applied,
    // oldest first, and deleted; later and undated rows stay.
    void actualizacionesProgramadas()
    {
        Oficina oficina; // today is 14 Feb 2026
        const QVariant nulo(QMetaType(QMetaType::QString));
        const QList<QVariantList> filas = {
            {11, QStringLiteral("/upd-ayer"), QStringLiteral("2026-02-13")},
            {11, QStringLiteral("/upd-hoy"), QStringLiteral("2026-02-14")},
            {1, QStringLiteral("RAZÓN"), QStringLiteral("2026-01-02")},
            {12, Funciones::Codifica_Cadena(QStringLiteral("NUEVA")), QStringLiteral("2026-02-14")},
            {16, QStringLiteral("nada"), QStringLiteral("2026-02-14")},
            {2, QStringLiteral("/futuro"), QStringLiteral("2026-02-15")},
            {3, QStringLiteral("/sin-fecha"), nulo},
        };
        for (const QVariantList &f : filas)
            oficina.sql(QStringLiteral("INSERT INTO ACTUALIZACIONES (CAMPO, VALOR, FECHA) VALUES (?, ?, ?)"), f);
        Programa &p = oficina.carga();
        QCOMPARE(p.valores().yex_update, QStringLiteral("/upd-hoy"));
        QCOMPARE(p.parametros().texto(QStringLiteral("rasoc")), QStringLiteral("RAZÓN"));
        QCOMPARE(p.valores().ClaveFTP, QStringLiteral("nueva")); // loaded after the changes, lower case
        QCOMPARE(p.valores().yex_valin, QStringLiteral("/ag0123"));
        QSqlQuery q = p.conexion().ejecuta(QStringLiteral("SELECT VALOR FROM ACTUALIZACIONES ORDER BY VALOR"));
        QStringList quedan;
        while (q.next())
            quedan << q.value(0).toString();
        QCOMPARE(quedan, (QStringList {QStringLiteral("/futuro"), QStringLiteral("/sin-fecha")}));

        // A start on a day with nothing due changes nothing.
        RsParametros antes(p.conexion());
        QCOMPARE(Actualizaciones::Aplica_Actualizaciones(p.conexion(), p.parametros(), QDate(2026, 2, 14)), 0);
        QCOMPARE(p.parametros().texto(QStringLiteral("yex_valin")), antes.texto(QStringLiteral("yex_valin")));
    }

    void columnaDeCampo()
    {
        QCOMPARE(Actualizaciones::columnaDeCampo(11), QStringLiteral("yex_update"));
        QCOMPARE(Actualizaciones::columnaDeCampo(13), QStringLiteral("Password"));
        QCOMPARE(Actualizaciones::columnaDeCampo(15), QStringLiteral("yex_apiout"));
        QVERIFY(Actualizaciones::columnaDeCampo(0).isEmpty());
        QVERIFY(Actualizaciones::columnaDeCampo(16).isEmpty());
    }

    void listasPersisten()
    {
        Oficina oficina;
        Programa &p = oficina.carga();
        p.listaEnvio().agrega({QStringLiteral("M0123001.045"), QStringLiteral("E"), QStringLiteral("2"),
                               QStringLiteral("/ag0123"), QStringLiteral("/ag0123")});
        p.listaRecepcion().agrega({QStringLiteral("D0123001.045"),
                                   {},
                                   {},
                                   QStringLiteral("10:30 AM"),
                                   QStringLiteral("/ag0123"),
                                   QStringLiteral("/ag0123"),
                                   QStringLiteral("D0123001.erp"),
                                   QStringLiteral("D0123001.err"),
                                   oficina.carpeta(QStringLiteral("val_rec")),
                                   QStringLiteral("2")});
        Programa &otro = oficina.carga();
        QCOMPARE(otro.listaEnvio().cuenta(), 1);
        QCOMPARE(otro.listaEnvio().entrada(0).rutaVal, QStringLiteral("/ag0123"));
        QCOMPARE(otro.listaRecepcion().cuenta(), 1);
        QCOMPARE(otro.listaRecepcion().entrada(0).archivoPrev, QStringLiteral("D0123001.erp"));
        QCOMPARE(otro.listaRecepcion().data(otro.listaRecepcion().index(0, 0), ListaArchivos::RolIcono).toInt(), 2);
    }
};

QTEST_GUILESS_MAIN(PruebaBaseDatos)
#include "PruebaBaseDatos.moc"
