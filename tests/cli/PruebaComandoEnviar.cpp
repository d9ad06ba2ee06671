// "tendal enviar" and "tendal boletin" in-process against a real FTP server,
// on the machine's date as the command line runs.
#include "core/base/Vb.h"
#include "tests/soporte/HoraArchivo.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"
#include "tests/soporte/ServidorFtp.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

struct EscenaLinea {
    EscenaLinea() { servidor.apunta(oficina); }

    int corre(const QStringList &args)
    {
        const SalidaComando s = tendalEnProceso(oficina, args);
        salida = s.out;
        errores = s.err;
        return s.estado;
    }
    void archivo(const QString &columna, const QString &nombre)
    {
        QFile f(QDir(oficina.carpeta(columna)).filePath(nombre));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("40012 DATOS\r\n");
    }

    Oficina oficina;
    ServidorFtp servidor;
    QString salida, errores;
};

// The day of the year of the machine's date, as the names of today's files end.
QString dia()
{
    return Vb::formato(QDate::currentDate().dayOfYear(), QStringLiteral("000"));
}

} // namespace

class PruebaComandoEnviar : public QObject
{
    Q_OBJECT
private slots:
    void init() { qunsetenv("TENDAL_CLAVE_PAGO"); }
    void nombresEscritos();
    void archivosDelDiaYSusRespuestas();
    void fallas();
    void archivoBloqueadoConSi();
    void boletin();
};

void PruebaComandoEnviar::nombresEscritos()
{
    EscenaLinea e;
    const QString m = QStringLiteral("M0123001.") + dia();
    e.archivo(QStringLiteral("val_env"), m.toLower());

    QCOMPARE(e.corre({QStringLiteral("enviar"), m.toLower(), QStringLiteral("--sin-espera")}), 0);

    QCOMPARE(e.salida,
             m + QStringLiteral(" -> /ag0123 (respuestas: k0123001.") + dia() + QStringLiteral(", M0123001.err)\n"));
    QVERIFY(e.servidor.existe(QStringLiteral("/ag0123/") + m));
    QVERIFY(e.errores.contains(QStringLiteral("Queda 1 archivo en espera de respuesta")));
}

void PruebaComandoEnviar::archivosDelDiaYSusRespuestas()
{
    EscenaLinea e;
    const QString d = dia();
    for (const auto &[columna, nombre] : {std::pair {"val_env", "M0123001."},
                                          {"val_env", "D0123002."},
                                          {"pag_env", "E0123003."},
                                          {"sag_env", "S0123004."}})
        e.archivo(QString::fromLatin1(columna), QString::fromLatin1(nombre) + d);
    e.archivo(QStringLiteral("val_env"), QStringLiteral("M0123009.400")); // never a day of the year
    // The server already holds every response, as the server's clock has
    // it written after the uploads to come (one written before its upload
    // belongs to an earlier file).
    for (const QString &r : {QStringLiteral("/ag0123/k0123001.") + d, QStringLiteral("/ag0123/M0123001.err"),
                             QStringLiteral("/ag0123/D0123002.erp"), QStringLiteral("/ag0123/D0123002.err"),
                             QStringLiteral("/yexout/ke012303.") + d, QStringLiteral("/yexout/a0123003.") + d,
                             QStringLiteral("/sagarpaout/x0123004.") + d}) {
        e.servidor.escribe(r, "RESPUESTA\r\n");
        fijaHora(e.servidor.ruta(r), QDateTime::currentDateTimeUtc().addSecs(3600));
    }
    qputenv("TENDAL_CLAVE_PAGO", "Pago123");

    QCOMPARE(e.corre({QStringLiteral("enviar"), QStringLiteral("--espera"), QStringLiteral("30")}), 0);

    const QStringList lineas = e.salida.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lineas.filter(QStringLiteral(" -> ")).size(), 4);
    QCOMPARE(lineas.filter(QRegularExpression(QStringLiteral("^[KR]  "))).size(), 7);
    QVERIFY(e.servidor.existe(QStringLiteral("/yexin/E0123003.") + d));
    QVERIFY(e.servidor.existe(QStringLiteral("/sagarpain/S0123004.") + d));
    QVERIFY(!e.servidor.existe(QStringLiteral("/ag0123/M0123009.400")));
    QVERIFY(
        QFile::exists(QDir(e.oficina.carpeta(QStringLiteral("sag_rec"))).filePath(QStringLiteral("x0123004.") + d)));
    QVERIFY2(!e.errores.contains(QStringLiteral("Quedan")), qPrintable(e.errores));
}

void PruebaComandoEnviar::fallas()
{
    EscenaLinea e;
    const QString m = QStringLiteral("M0123001.") + dia();
    e.archivo(QStringLiteral("val_env"), m);

    // A name that is in no send folder: the others go, the exit says it.
    QCOMPARE(
        e.corre({QStringLiteral("enviar"), QStringLiteral("M0123777.") + dia(), m, QStringLiteral("--sin-espera")}), 1);
    QVERIFY(e.errores.contains(QStringLiteral("El archivo juliano no existe en las rutas configuradas.")));
    QVERIFY(e.servidor.existe(QStringLiteral("/ag0123/") + m));

    // A refused login is an error.
    e.archivo(QStringLiteral("val_env"), QStringLiteral("M0123002.") + dia());
    e.servidor.rechazaLogin();
    QCOMPARE(e.corre({QStringLiteral("enviar"), QStringLiteral("--sin-espera")}), 1);
    QVERIFY(e.errores.contains(QStringLiteral("Usuario o Contraseña no aceptado")));
    QCOMPARE(e.salida, QString());

    QCOMPARE(e.corre({QStringLiteral("enviar"), QStringLiteral("--espera")}), 2);
}

void PruebaComandoEnviar::archivoBloqueadoConSi()
{
    // With --si a file that stays locked is retried three times, then left
    // in the send list, and the exit says so.
    EscenaLinea e;
    const QString m = QStringLiteral("M0123001.") + dia();
    e.archivo(QStringLiteral("val_env"), m);
    QVERIFY(QDir().mkpath(
        QDir(e.oficina.trabajo()).filePath(QStringLiteral("TendalTmp/") + m + QStringLiteral("/dentro"))));

    QCOMPARE(e.corre({QStringLiteral("enviar"), m, QStringLiteral("--si"), QStringLiteral("--sin-espera")}), 1);

    QCOMPARE(e.errores.count(QStringLiteral("se encuentra bloqueado, ¿deseas reintentar el envío?")), 4);
    QCOMPARE(e.errores.count(QStringLiteral("[Sí]")), 3);
    QVERIFY(e.errores.contains(QStringLiteral("Queda 1 archivo del día sin enviar en la lista de envío.")));
    QVERIFY(!e.servidor.existe(QStringLiteral("/ag0123/") + m));
}

void PruebaComandoEnviar::boletin()
{
    EscenaLinea e;
    e.oficina.sql(QStringLiteral("INSERT INTO INFORMACION (CODIGO, TEXTO) VALUES (5, 'Nuevo catálogo')"));
    e.servidor.escribe(QStringLiteral("/update/InfoYEX.txt"), "08/12/2006|10:30|5|\r\n");
    QCOMPARE(e.corre({QStringLiteral("boletin")}), 0);
    QCOMPARE(e.salida, QStringLiteral("Información del 08/12/2006 a las 10:30 Horas - Nuevo catálogo\n"));

    e.servidor.rechazaLogin();
    QCOMPARE(e.corre({QStringLiteral("boletin")}), 1);
    QVERIFY(e.errores.contains(QStringLiteral("El Usuario o Contraseña no aceptado")));
}

QTEST_GUILESS_MAIN(PruebaComandoEnviar)
#include "PruebaComandoEnviar.moc"
