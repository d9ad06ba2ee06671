// Whether a coroutine may return early (co_return before its end) with the
// project's compiler: every local is constructed and destroyed exactly once,
// and a local declared after the co_return that was taken is neither
// constructed nor destroyed. Each case runs with and without a suspension
// before the return, in plain scopes, nested scopes, loops and try blocks,
// for Task<> and Task<T>.

#include <QCoro/QCoroTask>
#include <QCoro/QCoroTimer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTest>

#include <chrono>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// A local that logs its life: the addresses of the witnesses alive now, and
// every destruction of an object that was never constructed (or twice).
struct Registro {
    QSet<const void *> vivos;
    QStringList construidos;
    QStringList destruidos;
    int fallos = 0;
};
Registro registro;

class Testigo
{
public:
    explicit Testigo(QString nombre)
        : m_nombre(std::move(nombre))
    {
        registro.vivos.insert(this);
        registro.construidos << m_nombre;
    }
    Testigo(const Testigo &) = delete;
    Testigo &operator=(const Testigo &) = delete;
    ~Testigo()
    {
        if (!registro.vivos.remove(this))
            ++registro.fallos;
        else
            registro.destruidos << m_nombre;
    }
    const QString &nombre() const { return m_nombre; }

private:
    QString m_nombre;
};

QCoro::Task<> suspende(bool si)
{
    if (si)
        co_await QCoro::sleepFor(std::chrono::milliseconds(1));
}

QCoro::Task<> plano(bool sale, bool espera)
{
    Testigo a(QStringLiteral("a"));
    co_await suspende(espera);
    if (sale)
        co_return;
    Testigo b(QStringLiteral("b"));
    co_await suspende(espera);
    Testigo c(QStringLiteral("c"));
}

QCoro::Task<int> conValor(bool sale, bool espera)
{
    Testigo a(QStringLiteral("a"));
    if (sale) {
        Testigo d(QStringLiteral("d"));
        co_await suspende(espera);
        co_return 1;
    }
    Testigo b(QStringLiteral("b"));
    co_await suspende(espera);
    const QString texto = b.nombre() + a.nombre();
    Testigo c(texto);
    co_return 2;
}

QCoro::Task<int> enBucle(int vueltas, bool espera)
{
    Testigo a(QStringLiteral("a"));
    for (int i = 0; i < 3; ++i) {
        Testigo v(QStringLiteral("v%1").arg(i));
        co_await suspende(espera);
        if (i == vueltas)
            co_return i;
        Testigo w(QStringLiteral("w%1").arg(i));
    }
    Testigo z(QStringLiteral("z"));
    co_return -1;
}

QCoro::Task<int> enTry(bool sale, bool lanza, bool espera)
{
    Testigo a(QStringLiteral("a"));
    bool fallo = false;
    try {
        Testigo t(QStringLiteral("t"));
        co_await suspende(espera);
        if (lanza)
            throw std::runtime_error("x");
        if (sale)
            co_return 1;
        Testigo u(QStringLiteral("u"));
    } catch (const std::exception &) {
        fallo = true;
    }
    if (fallo) {
        Testigo e(QStringLiteral("e"));
        co_await suspende(espera);
        co_return 3;
    }
    Testigo b(QStringLiteral("b"));
    co_return 2;
}

// The guard pattern: a coroutine that ends at once while another run of it
// is under way, and otherwise awaits a second coroutine that returns early.
bool ocupado = false;
QCoro::Task<> guardado(bool espera)
{
    if (ocupado)
        co_return;
    ocupado = true;
    Testigo a(QStringLiteral("a"));
    co_await plano(true, espera);
    Testigo b(QStringLiteral("b"));
    ocupado = false;
}

} // namespace

class PruebaRetornoTemprano : public QObject
{
    Q_OBJECT
private slots:
    void init() { registro = {}; }

    void cadaLocalUnaVez_data()
    {
        QTest::addColumn<int>("caso");
        QTest::addColumn<bool>("espera");
        QTest::addColumn<int>("valor");
        QTest::addColumn<QStringList>("construidos");
        const QList<bool> esperas {false, true};
        for (bool e : esperas) {
            const char *s = e ? " tras suspender" : " sin suspender";
            const auto fila = [&](const char *nombre) -> QTestData & {
                return QTest::newRow((QByteArray(nombre) + s).constData());
            };
            fila("plano, sale") << 0 << e << 0 << QStringList {u"a"_s};
            fila("plano, sigue") << 1 << e << 0 << QStringList {u"a"_s, u"b"_s, u"c"_s};
            fila("valor, sale") << 2 << e << 1 << QStringList {u"a"_s, u"d"_s};
            fila("valor, sigue") << 3 << e << 2 << QStringList {u"a"_s, u"b"_s, u"ba"_s};
            fila("bucle, primera vuelta") << 4 << e << 0 << QStringList {u"a"_s, u"v0"_s};
            fila("bucle, tercera vuelta")
                << 5 << e << 2 << QStringList {u"a"_s, u"v0"_s, u"w0"_s, u"v1"_s, u"w1"_s, u"v2"_s};
            fila("bucle, completo") << 6 << e << -1 << QStringList {u"a"_s,  u"v0"_s, u"w0"_s, u"v1"_s,
                                                                    u"w1"_s, u"v2"_s, u"w2"_s, u"z"_s};
            fila("try, sale") << 7 << e << 1 << QStringList {u"a"_s, u"t"_s};
            fila("try, lanza") << 8 << e << 3 << QStringList {u"a"_s, u"t"_s, u"e"_s};
            fila("try, sigue") << 9 << e << 2 << QStringList {u"a"_s, u"t"_s, u"u"_s, u"b"_s};
        }
    }

    void cadaLocalUnaVez()
    {
        QFETCH(int, caso);
        QFETCH(bool, espera);
        QFETCH(int, valor);
        QFETCH(QStringList, construidos);
        int obtenido = 0;
        switch (caso) {
        case 0:
        case 1:
            QCoro::waitFor(plano(caso == 0, espera));
            break;
        case 2:
        case 3:
            obtenido = QCoro::waitFor(conValor(caso == 2, espera));
            break;
        case 4:
        case 5:
        case 6:
            obtenido = QCoro::waitFor(enBucle(caso == 4 ? 0 : caso == 5 ? 2 : 9, espera));
            break;
        default:
            obtenido = QCoro::waitFor(enTry(caso == 7, caso == 8, espera));
        }
        QCOMPARE(obtenido, valor);
        QCOMPARE(registro.construidos, construidos);
        QCOMPARE(registro.fallos, 0);
        QVERIFY(registro.vivos.isEmpty());
        QStringList destruidos = registro.destruidos;
        std::sort(destruidos.begin(), destruidos.end());
        std::sort(construidos.begin(), construidos.end());
        QCOMPARE(destruidos, construidos);
    }

    // Two runs of the guarded coroutine: the second, started while the
    // first waits, returns at once and leaves the first's locals alone.
    void guardaDeUnaCorrida()
    {
        ocupado = false;
        auto primera = guardado(true);
        QVERIFY(ocupado);
        QCoro::waitFor(guardado(true));
        // The first run's own "a" and the "a" of the coroutine it awaits.
        QCOMPARE(registro.construidos, QStringList({u"a"_s, u"a"_s}));
        QCOMPARE(registro.vivos.size(), 2);
        QCoro::waitFor(primera);
        QVERIFY(!ocupado);
        QCOMPARE(registro.construidos, QStringList({u"a"_s, u"a"_s, u"b"_s}));
        QCOMPARE(registro.destruidos.size(), 3);
        QCOMPARE(registro.fallos, 0);
        QVERIFY(registro.vivos.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PruebaRetornoTemprano)
#include "PruebaRetornoTemprano.moc"
