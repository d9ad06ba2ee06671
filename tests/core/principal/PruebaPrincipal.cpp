// The main window's decisions without widgets: pattern, search, agency
// list, typed names, double-click, removals and the report click, on a
// whole office in a temporary folder.
#include "core/archivos/ArchivosJulianos.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/archivos/PatronArchivos.h"
#include "core/principal/Principal.h"
#include "core/reportes/DestinoTexto.h"
#include "tests/soporte/ArchivoPrueba.h"
#include "tests/soporte/Oficina.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// An office started as the desktop program starts it, with its main-window logic.
struct Arranque {
    Oficina oficina;
    Programa &programa;
    CicloRecepcion ciclo;
    Principal principal;
    DestinoTexto reporte;

    explicit Arranque(const std::function<void(Oficina &)> &prepara = {})
        : programa((prepara ? prepara(oficina) : void(), oficina.carga()))
        , ciclo(programa)
        , principal(programa, ciclo)
    {
        using Probador = QAbstractItemModelTester;
        for (QAbstractItemModel *m : std::initializer_list<QAbstractItemModel *> {
                 &principal.archivos(), &programa.listaEnvio(), &programa.listaRecepcion()})
            probadores.emplace_back(std::make_unique<Probador>(m, Probador::FailureReportingMode::QtTest));
        principal.ponReporte(&reporte);
        principal.inicia();
    }
    std::vector<std::unique_ptr<QAbstractItemModelTester>> probadores;
    QStringList agencia() { return principal.archivos().nombres(); }
    DialogosGuion &dialogos() { return oficina.dialogos; }
    ListaEnvio &envio() { return programa.listaEnvio(); }
    ListaRecepcion &recepcion() { return programa.listaRecepcion(); }
};

void archivosSaai(Oficina &o)
{
    const QString saai = o.carpeta(QStringLiteral("val_env"));
    for (const char *n : {"M0123001.045", "m0123002.045", "M0123001.046", "M0124001.045", "M0123003.145",
                          "M0123004.345", "M0123005.445", "D0123001.045", "D0123002.210", "E0123001.045"})
        creaArchivo(saai, QString::fromLatin1(n));
    QDir(saai).mkpath(QStringLiteral("M0123009.045")); // a folder is no file
}

} // namespace

class PruebaPrincipal : public QObject
{
    Q_OBJECT

private slots:
    void patron_data()
    {
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<int>("dia");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("día actual") << "M" << 0 << ""
                                    << "M0123*.045";
        QTest::newRow("día actual con nombre") << "M" << 0 << "m0123001.045"
                                               << "m0123001.045";
        QTest::newRow("todos los días") << "E" << 1 << ""
                                        << "E0123*.0*;E0123*.1*;E0123*.2*;E0123*.3*";
        QTest::newRow("todos con día") << "S" << 1 << "7"
                                       << "S0123*.007";
        QTest::newRow("todos con texto") << "D" << 1 << "abc"
                                         << "D0123*.abc";
    }
    void patron()
    {
        QFETCH(QString, tipo);
        QFETCH(int, dia);
        QFETCH(QString, texto);
        QFETCH(QString, esperado);
        QCOMPARE(Principal::construyePatron(tipo, dia, texto, 123, 45), esperado);
    }

    void coincide_data()
    {
        QTest::addColumn<QString>("patron");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("esperado");
        QTest::newRow("exacto") << "M0123*.045"
                                << "M0123001.045" << true;
        QTest::newRow("sin mayúsculas") << "M0123*.045"
                                        << "m0123002.045" << true;
        QTest::newRow("estrella vacía") << "M0123*.045"
                                        << "M0123.045" << true;
        QTest::newRow("otro día") << "M0123*.045"
                                  << "M0123001.046" << false;
        QTest::newRow("más largo") << "M0123*.045"
                                   << "M0123001.0450" << false;
        QTest::newRow("otra patente") << "M0123*.045"
                                      << "M0124001.045" << false;
        QTest::newRow("varios, segundo") << "M0123*.0*;M0123*.1*"
                                         << "M0123001.145" << true;
        QTest::newRow("varios, ninguno") << "M0123*.0*;M0123*.1*"
                                         << "M0123001.445" << false;
        QTest::newRow("interrogación") << "M0123??1.045"
                                       << "M0123001.045" << true;
        QTest::newRow("punto en el nombre") << "M0123*.045"
                                            << "M0123.1.045" << true;
        QTest::newRow("acentos") << "ñ*"
                                 << "Ñandú" << true;
    }
    void coincide()
    {
        QFETCH(QString, patron);
        QFETCH(QString, nombre);
        QFETCH(bool, esperado);
        QCOMPARE(PatronArchivos(patron).coincide(nombre), esperado);
    }

    void rutaRespuesta_data()
    {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("M pre") << 1 << "M0123001.045"
                               << "/ag0123";
        QTest::newRow("m val") << 2 << "m0045001.045"
                               << "/ag0045";
        QTest::newRow("C") << 1 << "C0123001.045"
                           << "/ag0123";
        QTest::newRow("D") << 2 << "D0123001.045"
                           << "/ag0123";
        QTest::newRow("T") << 1 << "T0123001.045"
                           << "/ag0123";
        QTest::newRow("P") << 2 << "P0123001.045"
                           << "/ag0123";
        QTest::newRow("E") << 1 << "E0123001.045"
                           << "/yexout";
        QTest::newRow("b") << 2 << "b0123001.045"
                           << "/yexout";
        QTest::newRow("S pre") << 1 << "S0123001.045"
                               << "";
        QTest::newRow("S val") << 2 << "S0123001.045"
                               << "/sagarpaout";
        QTest::newRow("otra letra") << 1 << "X0123001.045"
                                    << "";
        QTest::newRow("nombre corto") << 1 << "M01"
                                      << "/ag01";
        QTest::newRow("vacío") << 1 << ""
                               << "";
    }
    void rutaRespuesta()
    {
        QFETCH(int, tipo);
        QFETCH(QString, nombre);
        QFETCH(QString, esperado);
        QCOMPARE(ArchivosJulianos::Ruta_Respuesta(tipo, nombre), esperado);
    }

    void codigoBanco_data()
    {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<int>("icono");
        QTest::newRow("40021") << "40021|0001|" << 12;
        QTest::newRow("40002") << "40002" << 3;
        QTest::newRow("40072") << "40072ABC" << 4;
        QTest::newRow("40014") << "40014" << 7;
        QTest::newRow("40012") << "400120" << 5;
        QTest::newRow("otro número") << "12345" << 10;
        QTest::newRow("no numérico") << "4001A" << 10;
        QTest::newRow("blanco") << " 4001" << 10;
        QTest::newRow("corto") << "400" << 10;
        QTest::newRow("vacío") << "" << 10;
    }
    void codigoBanco()
    {
        QFETCH(QString, linea);
        QFETCH(int, icono);
        QCOMPARE(ArchivosJulianos::iconoCodigoBanco(linea), icono);
    }

    // Start-up: SAAI M3 of the day in the SAAI M3 send folder, sorted by name.
    void inicio()
    {
        Arranque a(archivosSaai);
        QCOMPARE(a.principal.TipoActual(), QStringLiteral("M"));
        QCOMPARE(a.principal.PatronActual(), QStringLiteral("M0123*.045"));
        QCOMPARE(a.principal.seleccion(Principal::Dia), 0);
        QCOMPARE(a.principal.seleccion(Principal::Tipo), 0);
        QCOMPARE(a.principal.etiqueta(Principal::Dia), QStringLiteral("0"));
        QCOMPARE(a.principal.etiqueta(Principal::Tipo), QStringLiteral("0"));
        QCOMPARE(a.agencia(), QStringList({QStringLiteral("M0123001.045"), QStringLiteral("m0123002.045")}));
        QVERIFY(a.dialogos().mensajes.isEmpty());
    }

    void selectores()
    {
        Arranque a(archivosSaai);
        const QString saai = a.oficina.carpeta(QStringLiteral("val_env"));

        a.principal.elige(Principal::Dia, 1);
        QCOMPARE(a.principal.PatronActual(), QStringLiteral("M0123*.0*;M0123*.1*;M0123*.2*;M0123*.3*"));
        QCOMPARE(a.principal.etiqueta(Principal::Dia), QStringLiteral("1"));
        QCOMPARE(a.agencia(), QStringList({QStringLiteral("M0123001.045"), QStringLiteral("M0123001.046"),
                                           QStringLiteral("m0123002.045"), QStringLiteral("M0123003.145"),
                                           QStringLiteral("M0123004.345")}));

        // Cartas cupo: D files, still from the SAAI M3 send folder.
        a.principal.elige(Principal::Tipo, 3);
        QCOMPARE(a.principal.TipoActual(), QStringLiteral("D"));
        QCOMPARE(a.principal.etiqueta(Principal::Tipo), QStringLiteral("3"));
        QCOMPARE(a.principal.listado().carpeta(), saai);
        QCOMPARE(a.agencia(), QStringList({QStringLiteral("D0123001.045"), QStringLiteral("D0123002.210")}));

        // The same entry again: same folder, the pattern is rebuilt and the search runs.
        creaArchivo(saai, QStringLiteral("D0123003.301"));
        a.principal.elige(Principal::Tipo, 3);
        QCOMPARE(a.agencia().size(), 3);

        // Payment files from their own folder.
        creaArchivo(a.oficina.carpeta(QStringLiteral("pag_env")), QStringLiteral("E0123007.045"));
        a.principal.elige(Principal::Tipo, 1);
        QCOMPARE(a.principal.TipoActual(), QStringLiteral("E"));
        QCOMPARE(a.principal.listado().carpeta(), a.programa.campos().texto(CamposConfiguracion::pag_env));
        QCOMPARE(a.agencia(), QStringList(QStringLiteral("E0123007.045")));

        // No entry selected: nothing happens.
        a.principal.elige(Principal::Tipo, -1);
        QCOMPARE(a.principal.TipoActual(), QStringLiteral("E"));
        QVERIFY(a.dialogos().mensajes.isEmpty());
    }

    // A day typed while "TODOS LOS DÍAS" is chosen is taken for a name; once
    // the name box is empty again, the search lists what the selectors show
    // (every day), never a filter the box no longer holds.
    void diaEscrito()
    {
        Arranque a(archivosSaai);
        a.principal.ponTexto(QStringLiteral("46"));
        a.principal.elige(Principal::Dia, 1);
        QCOMPARE(a.principal.PatronActual(), QStringLiteral("M0123*.046"));
        QCOMPARE(a.dialogos().textos(),
                 QStringList(QStringLiteral("El archivo juliano no existe en las rutas configuradas.")));
        a.principal.ponTexto(QString());
        a.principal.busca();
        QCOMPARE(a.principal.PatronActual(), QStringLiteral("M0123*.0*;M0123*.1*;M0123*.2*;M0123*.3*"));
        QCOMPARE(a.agencia(), QStringList({QStringLiteral("M0123001.045"), QStringLiteral("M0123001.046"),
                                           QStringLiteral("m0123002.045"), QStringLiteral("M0123003.145"),
                                           QStringLiteral("M0123004.345")}));
    }

    // The folder the configuration fields hold is the one listed, at once.
    void carpetaDeLosCampos()
    {
        Arranque a(archivosSaai);
        const QString otra = a.oficina.raiz() + QStringLiteral("/otra");
        creaArchivo(otra, QStringLiteral("M0123099.045"));
        a.programa.campos().ponTexto(CamposConfiguracion::val_env, otra);
        a.principal.busca();
        QCOMPARE(a.agencia(), QStringList(QStringLiteral("M0123099.045")));
    }

    // A send folder that does not exist lists nothing, and says so once.
    void carpetaInexistente()
    {
        Arranque a(archivosSaai);
        const QString falta = a.oficina.raiz() + QStringLiteral("/no-existe");
        a.programa.campos().ponTexto(CamposConfiguracion::val_env, falta);
        a.principal.busca();
        a.principal.busca();
        QVERIFY(a.agencia().isEmpty());
        QCOMPARE(a.dialogos().mensajes.size(), 1);
        QCOMPARE(a.dialogos().mensajes[0].texto,
                 QStringLiteral("No se encontró la carpeta de envío ") + QDir::toNativeSeparators(falta) + u'.');
        QCOMPARE(a.dialogos().mensajes[0].titulo, Dialogos::nombreProducto());
        QDir().mkpath(falta);
        a.principal.busca();
        QCOMPARE(a.dialogos().mensajes.size(), 1);
    }

    void nombreEscrito_data()
    {
        QTest::addColumn<QString>("columna");
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("nombre"); // empty: not found
        QTest::addColumn<QString>("icono");
        QTest::addColumn<QString>("rutaPre");
        QTest::addColumn<QString>("rutaVal");
        QTest::newRow("SAAI M3") << "val_env"
                                 << "M0123001.045" << QByteArray() << "m0123001.045"
                                 << "M0123001.045"
                                 << "2"
                                 << "/ag0123"
                                 << "/ag0123";
        QTest::newRow("archivo en minúsculas") << "val_env"
                                               << "c0123001.045" << QByteArray() << "C0123001.045"
                                               << "C0123001.045"
                                               << "2"
                                               << "/ag0123"
                                               << "/ag0123";
        QTest::newRow("pago 40012") << "pag_env"
                                    << "E0123001.045" << QByteArray("40012|X\r\n") << "e0123001.045"
                                    << "E0123001.045"
                                    << "5"
                                    << "/yexout"
                                    << "/yexout";
        QTest::newRow("pago sin código") << "pag_env"
                                         << "E0123002.045" << QByteArray("ABCDE\r\n") << "E0123002.045"
                                         << "E0123002.045"
                                         << "10"
                                         << "/yexout"
                                         << "/yexout";
        QTest::newRow("pago vacío") << "pag_env"
                                    << "E0123003.045" << QByteArray("") << "E0123003.045"
                                    << "E0123003.045"
                                    << "10"
                                    << "/yexout"
                                    << "/yexout";
        QTest::newRow("SAGARPA") << "sag_env"
                                 << "S0123001.045" << QByteArray() << "s0123001.045"
                                 << "S0123001.045"
                                 << "8"
                                 << ""
                                 << "/sagarpaout";
        QTest::newRow("letra P") << "val_env"
                                 << "P0123001.045" << QByteArray() << "P0123001.045"
                                 << ""
                                 << ""
                                 << ""
                                 << "";
        QTest::newRow("otra letra") << "val_env"
                                    << "X0123001.045" << QByteArray() << "X0123001.045"
                                    << ""
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("otra carpeta") << "pag_env"
                                      << "M0123001.045" << QByteArray() << "M0123001.045"
                                      << ""
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("fuera de la carpeta")
            << "val_rec"
            << "M0123001.045" << QByteArray() << "M/../../../recepcion/saai/M0123001.045"
            << ""
            << ""
            << ""
            << "";
    }
    void nombreEscrito()
    {
        QFETCH(QString, columna);
        QFETCH(QString, archivo);
        QFETCH(QByteArray, contenido);
        QFETCH(QString, texto);
        QFETCH(QString, nombre);
        QFETCH(QString, icono);
        QFETCH(QString, rutaPre);
        QFETCH(QString, rutaVal);
        Arranque a;
        // A folder named like a letter lets a path climb out of the send folder.
        QDir().mkpath(a.oficina.carpeta(QStringLiteral("val_env")) + QStringLiteral("/M"));
        creaArchivo(a.oficina.carpeta(columna), archivo, contenido.isNull() ? QByteArray("X\r\n") : contenido);
        a.principal.ponTexto(texto);
        a.principal.busca();
        if (nombre.isEmpty()) {
            QCOMPARE(a.envio().cuenta(), 0);
            QCOMPARE(a.principal.texto(), texto);
            QCOMPARE(a.dialogos().mensajes.size(), 1);
            const auto &m = a.dialogos().mensajes[0];
            QCOMPARE(m.texto, QStringLiteral("El archivo juliano no existe en las rutas configuradas."));
            QCOMPARE(m.titulo, Dialogos::nombreProducto());
            QCOMPARE(m.icono, Dialogos::Icono::Ninguno);
            QCOMPARE(m.botones, Dialogos::Botones::Aceptar);
            return;
        }
        QVERIFY(a.dialogos().mensajes.isEmpty());
        QCOMPARE(a.envio().cuenta(), 1);
        const ListaEnvio::Entrada e = a.envio().entrada(0);
        QCOMPARE(e.nombre, nombre);
        QCOMPARE(e.estado, QStringLiteral("E"));
        QCOMPARE(e.icono, icono);
        QCOMPARE(e.rutaPre, rutaPre);
        QCOMPARE(e.rutaVal, rutaVal);
        QCOMPARE(a.principal.ElementoActual(), 0);
        QCOMPARE(a.principal.texto(), QString());
    }

    void dobleClic()
    {
        Arranque a([](Oficina &o) {
            archivosSaai(o);
            creaArchivo(o.carpeta(QStringLiteral("pag_env")), QStringLiteral("E0123001.045"), "40021|1\r\n");
            creaArchivo(o.carpeta(QStringLiteral("sag_env")), QStringLiteral("S0123001.045"));
        });
        a.principal.agregaArchivo(1); // m0123002.045
        QCOMPARE(a.envio().cuenta(), 1);
        const ListaEnvio::Entrada e = a.envio().entrada(0);
        QCOMPARE(e.nombre, QStringLiteral("m0123002.045"));
        QCOMPARE(e.estado, QStringLiteral("E"));
        QCOMPARE(e.icono, QStringLiteral("2"));
        QCOMPARE(e.rutaPre, QStringLiteral("/ag0123"));
        QCOMPARE(e.rutaVal, QStringLiteral("/ag0123"));

        // Already waiting: the message, nothing added.
        a.principal.agregaArchivo(1);
        QCOMPARE(a.envio().cuenta(), 1);
        QCOMPARE(a.dialogos().mensajes.size(), 1);
        QCOMPARE(a.dialogos().mensajes[0].texto, QStringLiteral("El archivo ya esta en la lista de envío!!!"));
        QCOMPARE(a.dialogos().mensajes[0].icono, Dialogos::Icono::Informacion);
        QCOMPARE(a.dialogos().mensajes[0].titulo, Dialogos::nombreProducto());

        // Typing its name adds it a second time (upper-cased: a name of its own).
        a.principal.ponTexto(QStringLiteral("m0123002.045"));
        a.principal.busca();
        QCOMPARE(a.envio().cuenta(), 2);
        QCOMPARE(a.envio().entrada(1).nombre, QStringLiteral("M0123002.045"));

        // A response entry of the same name does not count as waiting.
        const QString listado = a.envio().entrada(0).nombre;
        a.envio().quita(0);
        a.envio().agrega({listado, QStringLiteral("R"), QStringLiteral("2"), {}, {}});
        a.principal.agregaArchivo(1);
        QCOMPARE(a.envio().cuenta(), 3);
        QCOMPARE(a.dialogos().mensajes.size(), 1);

        // Payment and SAGARPA files from their folders.
        a.principal.elige(Principal::Tipo, 1);
        a.principal.agregaArchivo(0);
        QCOMPARE(a.envio().entrada(3).icono, QStringLiteral("12"));
        QCOMPARE(a.envio().entrada(3).rutaPre, QStringLiteral("/yexout"));
        a.principal.elige(Principal::Tipo, 2);
        a.principal.agregaArchivo(0);
        QCOMPARE(a.envio().entrada(4).icono, QStringLiteral("8"));
        QCOMPARE(a.envio().entrada(4).rutaPre, QString());
        QCOMPARE(a.envio().entrada(4).rutaVal, QStringLiteral("/sagarpaout"));
        QCOMPARE(a.principal.ElementoActual(), 4);

        // Outside the list: nothing.
        a.principal.agregaArchivo(7);
        QCOMPARE(a.envio().cuenta(), 5);
    }

    void quitaDeEnvio()
    {
        Arranque a(archivosSaai);
        a.principal.agregaArchivo(0);
        a.envio().agrega({QStringLiteral("k0123001.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});

        a.dialogos().respuestas.enqueue(Dialogos::Respuesta::No);
        a.principal.quitaEnvio(0);
        QCOMPARE(a.envio().cuenta(), 2);
        const auto &m = a.dialogos().mensajes.last();
        QCOMPARE(m.texto, QStringLiteral("¿Deseas eliminar el archivo M0123001.045 de la lista de envío?"));
        QCOMPARE(m.icono, Dialogos::Icono::Pregunta);
        QCOMPARE(m.botones, Dialogos::Botones::NoSi); // a removal: No is the default
        QCOMPARE(m.titulo, Dialogos::nombreProducto());

        // A response entry and no selection: no question.
        a.principal.quitaEnvio(1);
        a.principal.quitaEnvio(-1);
        QCOMPARE(a.dialogos().mensajes.size(), 1);

        a.dialogos().respuestas.enqueue(Dialogos::Respuesta::Si);
        a.principal.quitaEnvio(0);
        QCOMPARE(a.envio().cuenta(), 1);
        QCOMPARE(a.envio().entrada(0).nombre, QStringLiteral("k0123001.045"));
    }

    void quitaDeRecepcion()
    {
        Arranque a;
        for (const char *n : {"M0123001.045", "M0123002.045"})
            a.recepcion().agrega({QString::fromLatin1(n),
                                  {},
                                  {},
                                  QStringLiteral("10:30 a. m."),
                                  QStringLiteral("/ag0123"),
                                  QStringLiteral("/ag0123"),
                                  {},
                                  {},
                                  {},
                                  QStringLiteral("2")});
        a.ciclo.habilita();

        a.dialogos().respuestas.enqueue(Dialogos::Respuesta::No);
        a.principal.quitaRecepcion(1);
        QCOMPARE(a.recepcion().cuenta(), 2);
        QCOMPARE(a.dialogos().mensajes.last().texto,
                 QStringLiteral("¿Deseas eliminar el archivo M0123002.045 de la lista de recepción?"));
        QVERIFY(a.ciclo.habilitado());

        QList<bool> estados;
        connect(&a.ciclo, &CicloRecepcion::estadoCambiado, this, [&](bool h) { estados << h; });
        a.dialogos().respuestas.enqueue(Dialogos::Respuesta::Si);
        a.principal.quitaRecepcion(1);
        QCOMPARE(a.recepcion().cuenta(), 1);
        QCOMPARE(estados, QList<bool>({false, true}));
        QVERIFY(a.ciclo.habilitado());

        // The last one: the cycle stays stopped.
        a.dialogos().respuestas.enqueue(Dialogos::Respuesta::Si);
        a.principal.quitaRecepcion(0);
        QCOMPARE(a.recepcion().cuenta(), 0);
        QVERIFY(!a.ciclo.habilitado());

        // An empty list asks nothing.
        const auto vistos = a.dialogos().mensajes.size();
        a.principal.quitaRecepcion(0);
        QCOMPARE(a.dialogos().mensajes.size(), vistos);
    }

    // Several entries removed at once (a tick that completes them): each run
    // of consecutive rows is one removal, whatever the order and repeats
    // given, and the journal keeps the same rows the list shows.
    void quitaVariasPorTramos()
    {
        Arranque a;
        for (int i = 0; i < 8; ++i)
            a.recepcion().agrega({QStringLiteral("M012300%1.045").arg(i),
                                  {},
                                  {},
                                  QStringLiteral("10:30 a. m."),
                                  QStringLiteral("/ag0123"),
                                  QStringLiteral("/ag0123"),
                                  {},
                                  {},
                                  {},
                                  QStringLiteral("2")});
        QSignalSpy quitadas(&a.recepcion(), &QAbstractItemModel::rowsRemoved);
        a.recepcion().quitaVarias({6, 1, 2, 7, 4, 2});
        QCOMPARE(quitadas.count(), 3);
        const QStringList quedan {QStringLiteral("M0123000.045"), QStringLiteral("M0123003.045"),
                                  QStringLiteral("M0123005.045")};
        QStringList nombres;
        for (int i = 0; i < a.recepcion().cuenta(); ++i)
            nombres << a.recepcion().celda(i, 0);
        QCOMPARE(nombres, quedan);
        // Read again from the journal: no difference to show.
        QSignalSpy puestas(&a.recepcion(), &QAbstractItemModel::rowsInserted);
        a.recepcion().restaura();
        QCOMPARE(quitadas.count(), 3);
        QCOMPARE(puestas.count(), 0);
        QCOMPARE(a.recepcion().cuenta(), 3);
    }

    void limpia()
    {
        Arranque a(archivosSaai);
        a.principal.vaciaEnvio(); // empty list: no question
        QVERIFY(a.dialogos().mensajes.isEmpty());

        a.principal.agregaArchivo(0);
        a.envio().agrega({QStringLiteral("M0123009.err"), QStringLiteral("R"), QStringLiteral("2"), {}, {}});
        a.reporte.ponTexto(QStringLiteral("reporte"));

        a.dialogos().respuestas.enqueue(Dialogos::Respuesta::No);
        a.principal.vaciaEnvio();
        QCOMPARE(a.envio().cuenta(), 2);
        QCOMPARE(a.reporte.texto(), QStringLiteral("reporte"));
        QCOMPARE(a.dialogos().mensajes.last().texto,
                 QStringLiteral("¿Deseas eliminar todos los elementos de la lista de envío?"));
        QCOMPARE(a.dialogos().mensajes.last().icono, Dialogos::Icono::Pregunta);

        a.dialogos().respuestas.enqueue(Dialogos::Respuesta::Si);
        a.principal.vaciaEnvio();
        QCOMPARE(a.envio().cuenta(), 0);
        QCOMPARE(a.reporte.texto(), QString());
    }

    // A database that refuses to store a list change is reported; the
    // program goes on.
    void listaRechazada()
    {
        Arranque a(archivosSaai);
        a.oficina.sql(QStringLiteral("CREATE TRIGGER rechaza BEFORE INSERT ON COLA_ENVIO "
                                     "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END"));
        a.principal.agregaArchivo(0);
        QCOMPARE(a.dialogos().mensajes.size(), 1);
        QVERIFY2(a.dialogos().mensajes[0].texto.startsWith(QStringLiteral("Error No. ")),
                 qPrintable(a.dialogos().mensajes[0].texto));
        QCOMPARE(a.dialogos().mensajes[0].icono, Dialogos::Icono::Critico);
        a.oficina.sql(QStringLiteral("DROP TRIGGER rechaza"));
        a.principal.agregaArchivo(1);
        QCOMPARE(a.envio().entrada(a.envio().cuenta() - 1).nombre, QStringLiteral("m0123002.045"));
    }

    void reporte()
    {
        Arranque a([](Oficina &o) {
            archivosSaai(o);
            creaArchivo(o.carpeta(QStringLiteral("val_rec")), QStringLiteral("k0123001.045"), "RESPUESTA K\r\n");
            creaArchivo(o.carpeta(QStringLiteral("val_rec")), QStringLiteral("M0123001.err"),
                        "ARCHIVO SIN ERRORES\r\n");
        });
        a.principal.agregaArchivo(0);
        a.envio().agrega({QStringLiteral("k0123001.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});
        a.envio().agrega({QStringLiteral("M0123001.err"), QStringLiteral("R"), QStringLiteral("2"), {}, {}});
        a.recepcion().agrega({QStringLiteral("M0123001.err"), {}, {}, {}, {}, {}, {}, {}, {}, {}});
        a.reporte.ponTexto(QStringLiteral("antes"));

        a.principal.muestraReporte(0, 0); // waiting to be sent
        a.principal.muestraReporte(1, 0); // the reception list
        a.principal.muestraReporte(0, -1);
        QCOMPARE(a.reporte.texto(), QStringLiteral("antes"));

        a.principal.muestraReporte(0, 1);
        QCOMPARE(a.reporte.texto(), QStringLiteral("RESPUESTA K\r\n"));

        a.principal.muestraReporte(0, 2);
        QVERIFY2(
            a.reporte.texto().startsWith(QStringLiteral("Programa de Tendal  -  Revisión Archivo: M0123001.ERR  -  ")),
            qPrintable(a.reporte.texto()));
        QVERIFY(a.reporte.texto().endsWith(QStringLiteral("\r\n\r\nARCHIVO SIN ERRORES\r\n")));
        QVERIFY(a.dialogos().mensajes.isEmpty());

        // Listed without its bytes in the journal, and its file gone: said.
        QVERIFY(
            QFile::remove(QDir(a.oficina.carpeta(QStringLiteral("val_rec"))).filePath(QStringLiteral("M0123001.err"))));
        a.principal.muestraReporte(0, 2);
        QVERIFY2(a.reporte.texto().contains(QStringLiteral("no está en este equipo, y la base de datos de la oficina "
                                                           "no guarda su contenido")),
                 qPrintable(a.reporte.texto()));
    }
};

QTEST_GUILESS_MAIN(PruebaPrincipal)
#include "PruebaPrincipal.moc"
#include "core/oficina/CamposConfiguracion.h"
