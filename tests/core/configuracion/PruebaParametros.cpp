// The configuration window's record work without widgets: modes, save
// (only the selected address column, acc_tel, vererr 1), cancel, a save the
// database refuses, a record with empty columns, and the folder pickers.
#include "core/configuracion/Parametros.h"
#include "tests/soporte/Oficina.h"

#include <QDir>
#include <QSqlQuery>
#include <QTest>

namespace {

// The stored configuration record, read afresh from the database.
QVariantMap registro(Programa &p)
{
    QSqlQuery q = p.conexion().ejecuta(QStringLiteral("SELECT * FROM PARAMETROS"));
    QVariantMap m;
    if (q.next())
        for (int i = 0; i < q.record().count(); ++i)
            m.insert(q.record().fieldName(i).toLower(), q.value(i));
    return m;
}

void direccionesViejas(Oficina &o)
{
    o.sql(QStringLiteral("UPDATE PARAMETROS SET Host_Ras = 'ras.viejo', Host_Internet = 'internet.viejo', "
                         "Host = 'radio.viejo', telefono = '5550000', ip_proxy = 'proxy.viejo', vererr = 5"));
}

QList<bool> visibles(const Parametros &p)
{
    QList<bool> v;
    for (int n = 1; n <= Parametros::kBotones; ++n)
        v << p.botonVisible(n);
    return v;
}

const QList<bool> kVista = {true, true, true, false, false, true, true, true, true, true};
const QList<bool> kEdicion = {false, false, false, true, true, true, true, true, true, true};

} // namespace

class PruebaParametros : public QObject
{
    Q_OBJECT

private slots:
    void botones()
    {
        const auto &b = Parametros::botones();
        QCOMPARE(b[0].titulo, QStringLiteral("      Modificar      "));
        QCOMPARE(b[0].ayuda, QStringLiteral("Permite modificar los parámetros del sistema"));
        QVERIFY(b[1].separador && b[5].separador && b[7].separador && b[9].separador);
        QCOMPARE(b[2].clave, QStringLiteral("salir"));
        QCOMPARE(b[3].ayuda, QStringLiteral("Guarda los cambios efectuados a los parámetros del sistema"));
        QCOMPARE(b[4].ayuda, QStringLiteral("Cancela los cambios efectuados a los parámetros del sistema"));
        QCOMPARE(b[6].titulo, QStringLiteral("Cambiar Contraseña"));
        QCOMPARE(b[6].ayuda, QString());
        QCOMPARE(b[8].clave, QStringLiteral("envyex"));
        QCOMPARE(b[8].ayuda, QStringLiteral("Solicita a contraseña de pago electrónico"));
    }

    void modos()
    {
        Oficina o;
        Programa &p = o.carga();
        Parametros par(p);
        QCOMPARE(visibles(par), kVista);
        QVERIFY(!par.camposHabilitados());

        int ocultas = 0, cambios = 0, solicitudes = 0;
        connect(&par, &Parametros::ocultaPedido, this, [&] { ++ocultas; });
        connect(&par, &Parametros::cambioPasswordPedido, this, [&] { ++cambios; });
        connect(&par, &Parametros::solicitudPasswordPedida, this, [&] { ++solicitudes; });
        par.Ejecuta_Accion(QStringLiteral("modificar"));
        QCOMPARE(visibles(par), kEdicion);
        QVERIFY(par.camposHabilitados());

        // Hiding keeps the mode; the other keys only ask the windows.
        par.Ejecuta_Accion(QStringLiteral("salir"));
        par.Ejecuta_Accion(QStringLiteral("password"));
        par.Ejecuta_Accion(QStringLiteral("envyex"));
        par.Ejecuta_Accion(QStringLiteral("otra"));
        QCOMPARE(ocultas, 1);
        QCOMPARE(cambios, 1);
        QCOMPARE(solicitudes, 1);
        QCOMPARE(visibles(par), kEdicion);
        QVERIFY(o.dialogos.mensajes.isEmpty());
    }

    void guarda_data()
    {
        QTest::addColumn<int>("posicion");
        QTest::addColumn<QString>("columna");
        QTest::addColumn<int>("accTel");
        QTest::newRow("MODEM") << 0 << "host_ras" << -1;
        QTest::newRow("INTERNET") << 1 << "host_internet" << 0;
        QTest::newRow("RADIO MODEM") << 2 << "host" << 0;
    }
    void guarda()
    {
        QFETCH(int, posicion);
        QFETCH(QString, columna);
        QFETCH(int, accTel);
        Oficina o;
        direccionesViejas(o);
        Programa &p = o.carga();
        Parametros par(p);
        CamposConfiguracion &c = p.campos();
        const QVariantMap antes = registro(p);

        par.Ejecuta_Accion(QStringLiteral("modificar"));
        c.eligeTipo(posicion, p.parametros());
        c.ponTexto(CamposConfiguracion::Patente, QStringLiteral("999")); // never written
        c.ponTexto(CamposConfiguracion::Agente, QStringLiteral("OTRO")); // never written
        c.ponTexto(CamposConfiguracion::Servidor, QStringLiteral("nuevo.servidor:2121"));
        c.ponTexto(CamposConfiguracion::telefono, QStringLiteral("5551234"));
        c.marcaProxy(true);
        c.ponTexto(CamposConfiguracion::ip_proxy, QStringLiteral("proxy.nuevo"));
        for (int n = 5; n <= 12; ++n)
            c.ponTexto(n, QStringLiteral("/carpeta/%1").arg(n));
        c.ponTexto(CamposConfiguracion::sag_rec, QString()); // an empty folder is stored as empty text
        par.Ejecuta_Accion(QStringLiteral("guardar"));

        QVERIFY(o.dialogos.mensajes.isEmpty());
        const QVariantMap r = registro(p);
        QCOMPARE(r[QStringLiteral("tipo_acceso")].toInt(), posicion);
        QCOMPARE(r[QStringLiteral("acc_tel")].toInt(), accTel);
        for (const QString &d : {QStringLiteral("host_ras"), QStringLiteral("host_internet"), QStringLiteral("host")})
            QCOMPARE(r[d], d == columna ? QVariant(QStringLiteral("nuevo.servidor:2121")) : antes[d]);
        QCOMPARE(r[QStringLiteral("telefono")].toString(), QStringLiteral("5551234"));
        QCOMPARE(r[QStringLiteral("proxy")].toInt(), -1);
        QCOMPARE(r[QStringLiteral("ip_proxy")].toString(), QStringLiteral("proxy.nuevo"));
        QCOMPARE(r[QStringLiteral("val_env")].toString(), QStringLiteral("/carpeta/5"));
        QCOMPARE(r[QStringLiteral("sag_env")].toString(), QStringLiteral("/carpeta/11"));
        QVERIFY(!r[QStringLiteral("sag_rec")].isNull());
        QCOMPARE(r[QStringLiteral("sag_rec")].toString(), QString());
        QCOMPARE(r[QStringLiteral("vererr")].toInt(), 1);
        QCOMPARE(r[QStringLiteral("patente")], antes[QStringLiteral("patente")]);
        QCOMPARE(r[QStringLiteral("agente")], antes[QStringLiteral("agente")]);
        QCOMPARE(p.valores().Servidor, QStringLiteral("nuevo.servidor:2121"));
        QCOMPARE(visibles(par), kVista);
        QVERIFY(!par.camposHabilitados());
    }

    void guardaSinCambios()
    {
        Oficina o;
        direccionesViejas(o);
        Programa &p = o.carga();
        Parametros par(p);
        const QVariantMap antes = registro(p);
        par.Ejecuta_Accion(QStringLiteral("modificar"));
        par.Ejecuta_Accion(QStringLiteral("guardar"));
        QVariantMap r = registro(p);
        QCOMPARE(r[QStringLiteral("vererr")].toInt(), 1);
        r[QStringLiteral("vererr")] = antes[QStringLiteral("vererr")];
        QCOMPARE(r, antes);
    }

    void cancela()
    {
        Oficina o;
        direccionesViejas(o);
        Programa &p = o.carga();
        Parametros par(p);
        CamposConfiguracion &c = p.campos();
        par.Ejecuta_Accion(QStringLiteral("modificar"));
        c.eligeTipo(2, p.parametros());
        QCOMPARE(c.texto(CamposConfiguracion::Servidor), QStringLiteral("radio.viejo"));
        c.ponTexto(CamposConfiguracion::Servidor, QStringLiteral("otro"));
        c.marcaProxy(true);
        c.ponTexto(CamposConfiguracion::val_env, QStringLiteral("/otra"));
        par.Ejecuta_Accion(QStringLiteral("cancelar"));

        QCOMPARE(c.posicion(), 1);
        QCOMPARE(c.texto(CamposConfiguracion::Servidor), QStringLiteral("internet.viejo"));
        QVERIFY(!c.proxy());
        QVERIFY(!c.ipProxyVisible());
        QCOMPARE(c.texto(CamposConfiguracion::val_env), QDir::toNativeSeparators(o.carpeta(QStringLiteral("val_env"))));
        QCOMPARE(visibles(par), kVista);
        QVERIFY(!par.camposHabilitados());
        QCOMPARE(registro(p)[QStringLiteral("vererr")].toInt(), 5);
    }

    // The database refuses the save: the error is shown, the window stays in
    // edit mode with the typed values, nothing is stored, and a later save
    // works once the database accepts it.
    void guardaRechazada()
    {
        Oficina o;
        direccionesViejas(o);
        Programa &p = o.carga();
        Parametros par(p);
        o.sql(QStringLiteral("CREATE TRIGGER rechaza BEFORE UPDATE ON PARAMETROS "
                             "BEGIN SELECT RAISE(ABORT, 'valor demasiado largo'); END"));
        par.Ejecuta_Accion(QStringLiteral("modificar"));
        p.campos().ponTexto(CamposConfiguracion::Servidor, QStringLiteral("nuevo"));
        par.Ejecuta_Accion(QStringLiteral("guardar"));

        QCOMPARE(o.dialogos.mensajes.size(), 1);
        const auto &m = o.dialogos.mensajes[0];
        QVERIFY2(m.texto.startsWith(QStringLiteral("No se guardaron los parámetros del sistema.\r\n\r\nError No. ")),
                 qPrintable(m.texto));
        QVERIFY(m.texto.contains(QStringLiteral("Descripcion: ")));
        QCOMPARE(m.icono, Dialogos::Icono::Critico);
        QCOMPARE(m.titulo, Dialogos::nombreProducto());
        QCOMPARE(visibles(par), kEdicion);
        QCOMPARE(p.campos().texto(CamposConfiguracion::Servidor), QStringLiteral("nuevo"));
        QCOMPARE(p.valores().Servidor, QStringLiteral("internet.viejo"));
        QCOMPARE(p.parametros().texto(QStringLiteral("Host_Internet")), QStringLiteral("internet.viejo"));
        QVERIFY(!p.parametros().tieneCambios());
        QCOMPARE(registro(p)[QStringLiteral("vererr")].toInt(), 5);

        o.sql(QStringLiteral("DROP TRIGGER rechaza"));
        par.Ejecuta_Accion(QStringLiteral("guardar"));
        QCOMPARE(o.dialogos.mensajes.size(), 1);
        QCOMPARE(registro(p)[QStringLiteral("host_internet")].toString(), QStringLiteral("nuevo"));
        QCOMPARE(p.valores().Servidor, QStringLiteral("nuevo"));
        QCOMPARE(visibles(par), kVista);
    }

    // Empty columns and a connection type outside 0 to 2: empty fields, no
    // list position; saving then writes no address column.
    void registroIncompleto()
    {
        Oficina o;
        o.sql(QStringLiteral("UPDATE PARAMETROS SET Agente = NULL, Host_Internet = NULL, telefono = NULL, "
                             "val_env = NULL, tipo_acceso = 7"));
        Programa &p = o.carga();
        const CamposConfiguracion &c = p.campos();
        QCOMPARE(c.texto(CamposConfiguracion::Patente), QStringLiteral("123"));
        QCOMPARE(c.texto(CamposConfiguracion::Agente), QString());
        QCOMPARE(c.posicion(), -1);
        QCOMPARE(c.texto(CamposConfiguracion::Servidor), QString());
        QCOMPARE(c.texto(CamposConfiguracion::val_env), QString());

        Parametros par(p);
        const QString servidor = p.valores().Servidor;
        par.Ejecuta_Accion(QStringLiteral("modificar"));
        par.Ejecuta_Accion(QStringLiteral("guardar"));
        const QVariantMap r = registro(p);
        QCOMPARE(r[QStringLiteral("tipo_acceso")].toInt(), -1);
        QCOMPARE(r[QStringLiteral("acc_tel")].toInt(), 0);
        QVERIFY(r[QStringLiteral("host_internet")].isNull());
        QCOMPARE(r[QStringLiteral("val_env")].toString(), QString());
        QCOMPARE(p.valores().Servidor, servidor);
        QVERIFY(o.dialogos.mensajes.isEmpty());
    }

    void eligeCarpeta()
    {
        Oficina o;
        Programa &p = o.carga();
        Parametros par(p);
        CamposConfiguracion &c = p.campos();
        const QStringList &iniciales = o.dialogos.carpetasIniciales;

        // An empty field: the picker's own initial folder.
        c.ponTexto(CamposConfiguracion::val_rec, QString());
        o.dialogos.carpetas << std::nullopt << std::nullopt; // cancelled twice
        par.Elige_Carpeta(1);
        QCOMPARE(iniciales.last(), QDir::homePath());
        QCOMPARE(c.texto(CamposConfiguracion::val_rec), QString());

        // A filled field starts there; cancelling leaves it.
        const QString saai = c.texto(CamposConfiguracion::val_env);
        par.Elige_Carpeta(0);
        QCOMPARE(iniciales.last(), saai);
        QCOMPARE(c.texto(CamposConfiguracion::val_env), saai);

        // The picker keeps its last initial folder for an empty field.
        o.dialogos.carpetas << QStringLiteral("/nueva/carpeta");
        par.Elige_Carpeta(1);
        QCOMPARE(iniciales.last(), saai);
        QCOMPARE(c.texto(CamposConfiguracion::val_rec), QDir::toNativeSeparators(QStringLiteral("/nueva/carpeta")));

        par.Elige_Carpeta(8);
        QCOMPARE(iniciales.size(), 3);
        // Stored only by "guardar".
        QVERIFY(!p.parametros().tieneCambios());
    }
};

QTEST_GUILESS_MAIN(PruebaParametros)
#include "PruebaParametros.moc"
#include "core/oficina/CamposConfiguracion.h"
