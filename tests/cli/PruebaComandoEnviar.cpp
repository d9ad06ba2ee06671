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
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
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
    void soloLosNombrados();
    void certificadoComprobado();
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

// Named files: those go and nothing else (files queued before stay queued,
// whatever their day); each named file that does not go says why in one
// line, and the exit says it.
void PruebaComandoEnviar::soloLosNombrados()
{
    EscenaLinea e;
    const QString d = dia();
    const QString otroDia = Vb::formato(QDate::currentDate().dayOfYear() % 365 + 1, QStringLiteral("000"));
    const auto m = [&](int n, const QString &dia) {
        return QStringLiteral("M012300%1.").arg(n) + dia;
    };
    for (int n = 1; n <= 5; ++n)
        e.archivo(QStringLiteral("val_env"), m(n, d));
    e.archivo(QStringLiteral("val_env"), m(6, otroDia));
    // M5 went before with these bytes and left the reception list.
    QCOMPARE(e.corre({QStringLiteral("enviar"), m(5, d), QStringLiteral("--sin-espera")}), 0);
    QCOMPARE(e.corre({QStringLiteral("quitar"), m(5, d), QStringLiteral("--si")}), 0);
    // M4 went and waits for its responses.
    QCOMPARE(e.corre({QStringLiteral("enviar"), m(4, d), QStringLiteral("--sin-espera")}), 0);
    // M2 and M3 are queued; another program is sending M3.
    Programa &otro = e.oficina.carga();
    for (int n : {2, 3})
        otro.listaEnvio().agrega({m(n, d), QStringLiteral("E"), QStringLiteral("1"), QString(), QString()});
    const ListaEnvio &cola = otro.listaEnvio();
    for (int i = 0; i < cola.cuenta(); ++i)
        if (cola.celda(i, ListaEnvio::Nombre) == m(3, d))
            QVERIFY(otro.diario().reclama(cola.clave(i).id, m(3, d), QStringLiteral("M")));

    QCOMPARE(e.corre({QStringLiteral("enviar"), m(1, d), m(3, d), m(4, d), m(5, d), m(6, otroDia), m(4, d).toLower(),
                      QStringLiteral("--sin-espera")}),
             1);

    QVERIFY2(e.salida.startsWith(m(1, d) + QStringLiteral(" -> /ag0123")), qPrintable(e.salida));
    QCOMPARE(e.salida.count(QStringLiteral(" -> ")), 1);
    QVERIFY(!e.servidor.existe(QStringLiteral("/ag0123/") + m(2, d)));
    QVERIFY(!e.servidor.existe(QStringLiteral("/ag0123/") + m(3, d)));
    const QStringList lineas = e.errores.split(u'\n').filter(QStringLiteral(" no se envió: "));
    QCOMPARE(lineas,
             QStringList({m(3, d) + QStringLiteral(" no se envió: lo está enviando otro programa de la oficina."),
                          m(4, d)
                              + QStringLiteral(" no se envió: ya está en la lista de recepción (se envió y "
                                               "espera sus respuestas)."),
                          m(5, d)
                              + QStringLiteral(" no se envió: el servidor ya aceptó este mismo contenido y no "
                                               "se confirmó enviarlo de nuevo."),
                          m(6, otroDia) + QStringLiteral(" no se envió: no es un archivo de hoy (día ") + d
                              + QStringLiteral("); queda en la lista de envío.")}));
    // M2, M3, M5 (not sent again) and M6 (of another day) wait in the
    // send list.
    QVERIFY2(e.errores.contains(QStringLiteral("Quedan 4 archivos en la lista de envío.")), qPrintable(e.errores));

    // Without names, as before: the queued files of the day go (M3 is
    // still another program's).
    e.corre({QStringLiteral("enviar"), QStringLiteral("--sin-espera")});
    QVERIFY2(e.servidor.existe(QStringLiteral("/ag0123/") + m(2, d)), qPrintable(e.errores));
    QVERIFY(!e.servidor.existe(QStringLiteral("/ag0123/") + m(3, d)));
}

// config certificado=FILE takes only a file that holds a certificate; the
// send is not where a wrong one is found.
void PruebaComandoEnviar::certificadoComprobado()
{
    EscenaLinea e;
    QTemporaryDir dir;
    QProcess openssl;
    openssl.setWorkingDirectory(dir.path());
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   QStringLiteral("ca.key"), QStringLiteral("-out"), QStringLiteral("ca.pem"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=Autoridad")});
    QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);
    const auto escribe = [&](const QString &nombre, const QByteArray &texto) {
        QFile f(dir.filePath(nombre));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(texto);
    };
    escribe(QStringLiteral("texto.pem"), "no es un certificado\n");
    escribe(QStringLiteral("roto.pem"), "-----BEGIN CERTIFICATE-----\n@@@@\n-----END CERTIFICATE-----\n");
    const struct {
        QString archivo;
        QString motivo;
    } rechazados[] = {{dir.filePath(QStringLiteral("no-esta.pem")), QStringLiteral("no existe")},
                      {dir.path(), QStringLiteral("no se pudo leer")},
                      {dir.filePath(QStringLiteral("texto.pem")), QStringLiteral("no tiene ningún certificado")},
                      {dir.filePath(QStringLiteral("roto.pem")), QStringLiteral("no tiene ningún certificado")},
                      {dir.filePath(QStringLiteral("ca.key")), QStringLiteral("no tiene ningún certificado")}};
    for (const auto &r : rechazados) {
        QCOMPARE(e.corre({QStringLiteral("config"), QStringLiteral("certificado=") + r.archivo}), 2);
        QVERIFY2(e.errores.contains(r.motivo) && e.errores.contains(QStringLiteral("No se cambió nada")),
                 qPrintable(e.errores));
    }
    QCOMPARE(e.corre({QStringLiteral("config"), QStringLiteral("certificado")}), 0);
    QCOMPARE(e.salida, QStringLiteral("\n"));
    QCOMPARE(
        e.corre({QStringLiteral("config"), QStringLiteral("certificado=") + dir.filePath(QStringLiteral("ca.pem"))}),
        0);
    QCOMPARE(e.corre({QStringLiteral("config"), QStringLiteral("certificado=")}), 0); // back to the system's store
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
    QVERIFY2(e.errores.contains(m
                                + QStringLiteral(" no se envió: sigue en la lista de envío.\nQueda 1 archivo en la "
                                                 "lista de envío.")),
             qPrintable(e.errores));
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
