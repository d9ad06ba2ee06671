// The tool bar keys, their common exit and the guard against a second
// command, and a window that stays live while a large file is uploaded.
#include "tests/soporte/Escena.h"

#include "core/base/ErrorTendal.h"

#include <QElapsedTimer>
#include <QTimer>

#include <new>
#include <stdexcept>
#include <utility>

class PruebaComandosBarra : public QObject
{
    Q_OBJECT
private slots:
    void clavesSinEnvio();
    void salir();
    void detener();
    void listaVacia();
    void ventanaVivaDuranteUnEnvioGrande();
    void fallaInesperada_data();
    void fallaInesperada();
};

void PruebaComandosBarra::clavesSinEnvio()
{
    Escena e;
    e.carga();
    int actualizacion = 0, parametros = 0;
    QObject::connect(e.comandos.get(), &ComandosBarra::actualizacionPedida, [&] { ++actualizacion; });
    QObject::connect(e.comandos.get(), &ComandosBarra::parametrosPedidos, [&] { ++parametros; });
    for (const char *clave : {"caterr", "parametros", "agregar", "otra", "detener"})
        e.ejecuta(QString::fromLatin1(clave));
    QCOMPARE(actualizacion, 1);
    QCOMPARE(parametros, 1);
    // "detener" with the receive cycle off asks nothing; no key opened a session.
    QCOMPARE(e.persona().textos(), QStringList());
    QCOMPARE(e.servidor.usuarios(), QStringList());
    QVERIFY(!e.comandos->ocupado());
}

void PruebaComandosBarra::salir()
{
    Escena e;
    e.carga();
    int terminado = 0;
    QObject::connect(e.comandos.get(), &ComandosBarra::salidaConfirmada, [&] { ++terminado; });
    e.persona().respuestas.enqueue(Dialogos::Respuesta::No);
    e.ejecuta(QStringLiteral("salir"));
    QCOMPARE(terminado, 0);
    e.persona().respuestas.enqueue(Dialogos::Respuesta::Si);
    e.ejecuta(QStringLiteral("salir"));
    QCOMPARE(terminado, 1);
    QCOMPARE(e.persona().textos(), QStringList(2, QStringLiteral("¿Deseas Salir del Sistema?")));
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Informacion);
    QCOMPARE(e.persona().mensajes.at(0).botones, Dialogos::Botones::SiNo);
    QCOMPARE(e.persona().mensajes.at(0).titulo, Dialogos::nombreProducto());
}

void PruebaComandosBarra::detener()
{
    Escena e;
    Programa &p = e.carga();
    p.listaRecepcion().agrega({QStringLiteral("M0123001.045"), QString(), QString(), QStringLiteral("10:30 AM"),
                               QStringLiteral("/ag0123"), QStringLiteral("/ag0123"), QStringLiteral("k0123001.045"),
                               QStringLiteral("M0123001.err"), e.oficina.carpeta(QStringLiteral("val_rec")),
                               QStringLiteral("2")});
    e.ciclo->habilita();
    // The question says what stopping costs, and No is its default.
    const QString pregunta = QStringLiteral("¿Deseas detener la recepción de archivos en proceso?\r\n\r\n1 archivo "
                                            "espera respuesta: saldrá de la lista de recepción y sus respuestas ya no "
                                            "se recogerán.");

    e.persona().respuestas.enqueue(Dialogos::Respuesta::No);
    e.ejecuta(QStringLiteral("detener")); // nothing changes
    QVERIFY(e.ciclo->habilitado());
    QCOMPARE(p.listaRecepcion().cuenta(), 1);

    e.persona().respuestas.enqueue(Dialogos::Respuesta::Si);
    e.ejecuta(QStringLiteral("detener"));
    QVERIFY(!e.ciclo->habilitado());
    QCOMPARE(p.listaRecepcion().cuenta(), 0);
    QCOMPARE(e.persona().textos(), QStringList(2, pregunta));
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Pregunta);
    QCOMPARE(e.persona().mensajes.at(0).botones, Dialogos::Botones::NoSi);
}

void PruebaComandosBarra::listaVacia()
{
    Escena e;
    e.carga();
    e.ejecuta(QStringLiteral("enviar"));
    QCOMPARE(e.persona().textos(),
             QStringList {QStringLiteral("Debes incluir al menos un archivo en la lista de envío!!!")});
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Informacion);
    QCOMPARE(e.servidor.usuarios(), QStringList());
    QVERIFY(!e.ciclo->habilitado());
}

void PruebaComandosBarra::ventanaVivaDuranteUnEnvioGrande()
{
    Escena e;
    const QString nombre = QStringLiteral("M0123001.045");
    const QByteArray grande(3 * 1024 * 1024, 'x');
    e.archivo(QStringLiteral("val_env"), nombre, grande);
    Programa &p = e.carga();
    e.enLista(nombre, QStringLiteral("2"), QStringLiteral("/ag0123"), QStringLiteral("/ag0123"));
    e.servidor.lento(1024 * 1024); // about three seconds of upload

    int disparosDuranteEnvio = 0;
    int segundoComandoIgnorado = 0;
    QTimer reloj;
    reloj.setInterval(50);
    QObject::connect(&reloj, &QTimer::timeout, [&] {
        if (!e.comandos->ocupado())
            return;
        ++disparosDuranteEnvio;
        if (disparosDuranteEnvio == 3) {
            // A click on another button while the send runs starts nothing.
            auto tarea = e.comandos->Ejecuta_Comando(QStringLiteral("salir"));
            segundoComandoIgnorado = tarea.isReady() ? 1 : 0;
        }
    });
    reloj.start();
    QElapsedTimer cronometro;
    cronometro.start();
    e.ejecuta(QStringLiteral("enviar"));
    reloj.stop();

    QVERIFY2(cronometro.elapsed() > 1000, "the upload was not slowed down");
    QVERIFY(disparosDuranteEnvio > 10);
    QCOMPARE(segundoComandoIgnorado, 1);
    QCOMPARE(e.persona().textos(), QStringList()); // "salir" asked nothing
    QCOMPARE(e.servidor.lee(QStringLiteral("/ag0123/") + nombre).size(), grande.size());
    QCOMPARE(Escena::nombres(p.listaRecepcion()), QStringList {nombre});
}

// A command started from the window that ends with any exception, not only
// the system's own errors, says so in Spanish and leaves the tool bar free.
void PruebaComandosBarra::fallaInesperada_data()
{
    QTest::addColumn<int>("clase");
    QTest::addColumn<QString>("mensaje");
    QTest::newRow("runtime_error") << 0
                                   << QStringLiteral("No se pudo terminar el comando «salir» por un error interno del "
                                                     "programa.\r\n\r\nDetalle: gancho roto");
    QTest::newRow("bad_alloc") << 1
                               << QStringLiteral("No se pudo terminar el comando «salir»: no hay memoria suficiente. "
                                                 "Cierra otros programas y vuelve a intentarlo.");
    QTest::newRow("ErrorTendal") << 2
                                 << QStringLiteral("No se pudo terminar el comando «salir».\r\n\r\nError No. 61\r\n"
                                                   "Disco lleno");
}

void PruebaComandosBarra::fallaInesperada()
{
    QFETCH(int, clase);
    QFETCH(QString, mensaje);
    Escena e;
    e.carga();
    int cambios = 0;
    QObject::connect(e.comandos.get(), &ComandosBarra::ocupadoCambiado, [&](bool) { ++cambios; });
    // The question of "salir" meets a broken hook, once.
    bool roto = true;
    e.persona().alMostrar = [&](const DialogosGuion::Mensaje &) {
        if (!std::exchange(roto, false))
            return;
        if (clase == 0)
            throw std::runtime_error("gancho roto");
        if (clase == 1)
            throw std::bad_alloc();
        throw ErrorTendal::conNumero(ErrorTendal::DiscoLleno);
    };
    e.comandos->inicia(QStringLiteral("salir"));
    QTRY_VERIFY(!e.comandos->ocupado());
    QCOMPARE(cambios, 2);
    QCOMPARE(e.persona().textos(), QStringList({QStringLiteral("¿Deseas Salir del Sistema?"), mensaje}));
    QCOMPARE(e.persona().mensajes.at(1).icono, Dialogos::Icono::Critico);

    // The tool bar answers again.
    int terminado = 0;
    QObject::connect(e.comandos.get(), &ComandosBarra::salidaConfirmada, [&] { ++terminado; });
    e.persona().respuestas.enqueue(Dialogos::Respuesta::Si);
    e.comandos->inicia(QStringLiteral("salir"));
    QTRY_VERIFY(!e.comandos->ocupado());
    QCOMPARE(terminado, 1);
}

QTEST_GUILESS_MAIN(PruebaComandosBarra)
#include "PruebaComandosBarra.moc"
