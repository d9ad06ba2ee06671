// Access databases read with libmdb and copied into SQLite: every table of
// the sample files comes out as mdb-export prints it, an import that fails
// leaves nothing, and an office that still has Prevalida.mdb starts on a
// Prevalida.db made from it, once.

#include "core/access/BaseAccess.h"
#include "core/access/ImportadorAccess.h"
#include "core/base/ErrorTendal.h"
#include "tests/soporte/DialogosGuion.h"
#include "tests/soporte/Oficina.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kMuestras = u"" TENDAL_DIR_DATOS_PRUEBA "/catalogo"_s;

QString muestra(const QString &archivo)
{
    return QDir(kMuestras).filePath(archivo);
}

struct Celda {
    QString texto;
    bool entreComillas = false;
};

// The CSV that mdb-export prints: fields between double quotes (a quote
// doubled inside) may hold commas and line breaks.
QList<QList<Celda>> leeCsv(const QString &csv)
{
    QList<QList<Celda>> filas;
    QList<Celda> fila;
    Celda celda;
    bool dentro = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv[i];
        if (dentro) {
            if (c == u'"' && i + 1 < csv.size() && csv[i + 1] == u'"') {
                celda.texto += u'"';
                ++i;
            } else if (c == u'"') {
                dentro = false;
            } else {
                celda.texto += c;
            }
        } else if (c == u'"') {
            dentro = true;
            celda.entreComillas = true;
        } else if (c == u',') {
            fila << celda;
            celda = {};
        } else if (c == u'\n') {
            fila << celda;
            filas << fila;
            fila.clear();
            celda = {};
        } else {
            celda.texto += c;
        }
    }
    if (!fila.isEmpty() || !celda.texto.isEmpty())
        filas << (fila << celda);
    return filas;
}

QList<QList<Celda>> mdbExport(const QString &archivo, const QString &tabla)
{
    QProcess p;
    p.start(u"mdb-export"_s,
            {u"-D"_s, u"%Y-%m-%d %H:%M:%S"_s, u"-T"_s, u"%Y-%m-%d %H:%M:%S"_s, u"-b"_s, u"hex"_s, archivo, tabla});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("mdb-export falló: %s", p.readAllStandardError().constData());
    return leeCsv(QString::fromUtf8(p.readAllStandardOutput()));
}

class BaseSqlite
{
public:
    explicit BaseSqlite(const QString &ruta)
        : m_nombre(u"prueba%1"_s.arg(quintptr(this)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_nombre);
        db.setDatabaseName(ruta);
        db.open();
    }
    ~BaseSqlite() { QSqlDatabase::removeDatabase(m_nombre); }
    QSqlQuery consulta(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_nombre));
        if (!q.exec(sql))
            qFatal("consulta fallida: %s", qPrintable(sql));
        return q;
    }

private:
    QString m_nombre;
};

QByteArray huella(const QString &ruta)
{
    QFile f(ruta);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// nwind.mdb with its table Categories renamed PARAMETROS: an Access file
// that looks like an office database to the start-up import.
QByteArray nwindConParametros()
{
    QFile f(muestra(u"nwind.mdb"_s));
    f.open(QIODevice::ReadOnly);
    return f.readAll().replace("Categories", "PARAMETROS");
}

void copia(const QString &origen, const QString &destino)
{
    QFile::remove(destino);
    QVERIFY(QFile::copy(origen, destino));
    QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

class PruebaBaseAccess : public QObject
{
    Q_OBJECT

private slots:
    void detectaPorContenido()
    {
        QTemporaryDir dir;
        QVERIFY(BaseAccess::esAccess(muestra(u"nwind.mdb"_s)));
        QVERIFY(BaseAccess::esAccess(muestra(u"DateTestDatabase.mdb"_s)));
        const QString sqlite = dir.filePath(u"Prevalida.mdb"_s); // the name does not decide
        {
            BaseSqlite b(sqlite);
            b.consulta(u"CREATE TABLE T (A)"_s);
        }
        QVERIFY(!BaseAccess::esAccess(sqlite));
        QVERIFY(!BaseAccess::esAccess(dir.filePath(u"no-existe.mdb"_s)));
        QCOMPARE(BaseAccess(muestra(u"nwind.mdb"_s)).versionJet(), 3);
        QCOMPARE(BaseAccess(muestra(u"DateTestDatabase.mdb"_s)).versionJet(), 4);
    }

    // Every table of both samples, value by value against mdb-export.
    void comoMdbExport_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("tabla");
        for (const QString &archivo : {u"nwind.mdb"_s, u"DateTestDatabase.mdb"_s})
            for (const QString &tabla : BaseAccess(muestra(archivo)).tablas())
                QTest::newRow(qPrintable(archivo + u' ' + tabla)) << archivo << tabla;
    }
    void comoMdbExport()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, tabla);
        QTemporaryDir dir;
        const QString destino = dir.filePath(u"importada.db"_s);
        ImportadorAccess::importa(muestra(archivo), destino, {tabla});

        const QList<BaseAccess::Columna> columnas = BaseAccess(muestra(archivo)).columnas(tabla);
        const auto esperado = mdbExport(muestra(archivo), tabla);
        QVERIFY(!esperado.isEmpty());
        QStringList cabecera;
        for (const Celda &c : esperado.first())
            cabecera << c.texto;
        QStringList nombres;
        for (const auto &c : columnas)
            nombres << c.nombre;
        QCOMPARE(nombres, cabecera);

        BaseSqlite base(destino);
        QSqlQuery q = base.consulta(u"SELECT * FROM \"%1\" ORDER BY rowid"_s.arg(tabla));
        int fila = 1;
        for (; q.next(); ++fila) {
            QVERIFY2(fila < esperado.size(), "más filas que mdb-export");
            for (int i = 0; i < columnas.size(); ++i) {
                const Celda &e = esperado[fila][i];
                const QVariant v = q.value(i);
                const QString donde
                    = u"fila %1, %2: «%3» frente a «%4»"_s.arg(fila).arg(columnas[i].nombre, v.toString(), e.texto);
                using T = BaseAccess::Tipo;
                switch (columnas[i].tipo) {
                case T::Texto:
                case T::Memo:
                    // mdb-export prints a null and an empty text alike.
                    QVERIFY2(v.toString() == e.texto, qPrintable(donde));
                    break;
                case T::Fecha:
                    if (e.texto.contains(u"-00 "_s))
                        break; // beyond the years mdb-export prints; checked below
                    QVERIFY2(v.isNull() == e.texto.isEmpty(), qPrintable(donde));
                    if (!v.isNull())
                        QVERIFY2((v.toString().size() == 10 ? v.toString() + u" 00:00:00"_s : v.toString()) == e.texto,
                                 qPrintable(donde));
                    break;
                case T::Ole:
                case T::Binario:
                    QVERIFY2(v.toByteArray().toHex() == e.texto.toLatin1().toLower(), qPrintable(donde));
                    break;
                case T::SiNo:
                    QVERIFY2(v.toInt() == (e.texto == u"1" ? -1 : 0), qPrintable(donde));
                    break;
                case T::Simple:
                case T::Doble:
                case T::Moneda:
                    QVERIFY2(v.isNull() == e.texto.isEmpty(), qPrintable(donde));
                    if (!v.isNull())
                        QVERIFY2(qAbs(v.toDouble() - e.texto.toDouble()) <= 1e-6 * qMax(1.0, qAbs(v.toDouble())),
                                 qPrintable(donde));
                    break;
                default:
                    QVERIFY2(v.isNull() ? e.texto.isEmpty() : v.toString() == e.texto, qPrintable(donde));
                    break;
                }
            }
        }
        QCOMPARE(fila, esperado.size());
    }

    void tiposDeColumna()
    {
        QTemporaryDir dir;
        const QString destino = dir.filePath(u"nwind.db"_s);
        ImportadorAccess::importa(muestra(u"nwind.mdb"_s), destino);
        BaseSqlite base(destino);
        QSqlQuery q = base.consulta(u"SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid"_s);
        QStringList tablas;
        QString productos;
        while (q.next()) {
            tablas << q.value(0).toString();
            if (q.value(0).toString() == u"Products")
                productos = q.value(1).toString();
        }
        QCOMPARE(tablas, BaseAccess(muestra(u"nwind.mdb"_s)).tablas());
        QVERIFY(tablas.contains(u"Umsätze"_s));
        QCOMPARE(productos, u"CREATE TABLE \"Products\" (\"ProductID\" INTEGER, \"ProductName\" VARCHAR(40) NOT NULL, "
                            "\"SupplierID\" INTEGER, \"CategoryID\" INTEGER, \"QuantityPerUnit\" VARCHAR(20), "
                            "\"UnitPrice\" CURRENCY, \"UnitsInStock\" SMALLINT, \"UnitsOnOrder\" SMALLINT, "
                            "\"ReorderLevel\" SMALLINT, \"Discontinued\" BOOLEAN)"_s);
        q = base.consulta(u"SELECT typeof(UnitPrice), UnitPrice, typeof(UnitsInStock), Discontinued FROM Products "
                          "WHERE ProductID = 5"_s);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), u"real"_s);
        QCOMPARE(q.value(1).toDouble(), 21.35);
        QCOMPARE(q.value(2).toString(), u"integer"_s);
        QCOMPARE(q.value(3).toInt(), -1);
        // A non-ASCII table name and texts with line breaks, in both formats.
        QCOMPARE(base.consulta(u"SELECT COUNT(*) FROM \"Umsätze\""_s).next(), true);
        q = base.consulta(u"SELECT Address FROM Employees WHERE EmployeeID = 1"_s);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), u"507 - 20th Ave. E.\r\nApt. 2A"_s);
    }

    // Dates of any year Access allows, where mdb-export prints day 0.
    void fechasDeCualquierAnio()
    {
        QTemporaryDir dir;
        const QString destino = dir.filePath(u"fechas.db"_s);
        ImportadorAccess::importa(muestra(u"DateTestDatabase.mdb"_s), destino);
        BaseSqlite base(destino);
        QSqlQuery q
            = base.consulta(u"SELECT IDCol, DateTimeCol, DateCol, TimeCol, LongTextCol FROM DateTest ORDER BY rowid"_s);
        QStringList filas;
        while (q.next())
            filas << QStringList {q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                  q.value(3).toString(), q.value(4).toString()}
                         .join(u'|');
        QCOMPARE(filas, QStringList({u"1|2021-12-02|2021-12-02|2021-12-02|Hello"_s,
                                     u"2|9999-01-01|9999-01-01|9999-01-01|Year 9999"_s,
                                     u"3|1898-01-01|1899-01-01|1900-01-01|Pre-1900 years"_s,
                                     u"4|0632-01-01|0633-01-01|0634-01-01|Pre-1000 years"_s,
                                     u"5|2021-12-02|2021-12-02|2021-12-02|Escaped new line \\r\\n in field"_s,
                                     u"6|2021-12-02|2021-12-02|2021-12-02|New line\r\nin field"_s}));
    }

    // Nothing is taken for a database unless it was made whole.
    void importacionFallidaNoDejaNada_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("motivo");
        QTest::addColumn<QStringList>("tablas");
        QFile f(muestra(u"nwind.mdb"_s));
        f.open(QIODevice::ReadOnly);
        const QByteArray nwind = f.readAll();
        QTest::newRow("vacío") << QByteArray() << u"no es una base de datos Access"_s << QStringList();
        QTest::newRow("texto") << QByteArray("Standard Jet DB\r\n") << u"no es una base de datos Access"_s
                               << QStringList();
        QTest::newRow("cortado") << nwind.left(1500000) << u"incompleto"_s << QStringList();
        // Cut at a page: every definition is read before the first row, and
        // a table whose definition is whole may have lost rows.
        QTest::newRow("cortado en una página")
            << nwind.left(1024 * 1024) << u"no se pudo leer la definición de la tabla"_s << QStringList();
        QTest::newRow("filas cortadas") << nwind.left(1024 * 1024)
                                        << u"la tabla Orders no se pudo leer completa (263 de 830 filas)"_s
                                        << QStringList {u"Orders"_s};
    }
    void importacionFallidaNoDejaNada()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(QString, motivo);
        QFETCH(QStringList, tablas);
        QTemporaryDir dir;
        const QString origen = dir.filePath(u"Prevalida.mdb"_s);
        QFile f(origen);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contenido);
        f.close();
        try {
            ImportadorAccess::importa(origen, dir.filePath(u"Prevalida.db"_s), tablas);
            QFAIL("la importación no falló");
        } catch (const ErrorTendal &e) {
            QVERIFY2(e.descripcion().contains(motivo), qPrintable(e.descripcion()));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {u"Prevalida.mdb"_s});
    }

    void noSobrescribe()
    {
        QTemporaryDir dir;
        const QString destino = dir.filePath(u"nwind.db"_s);
        QFile f(destino);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("anterior");
        f.close();
        QVERIFY_THROWS_EXCEPTION(ErrorTendal, ImportadorAccess::importa(muestra(u"nwind.mdb"_s), destino));
        QFile g(destino);
        g.open(QIODevice::ReadOnly);
        QCOMPARE(g.readAll(), QByteArray("anterior"));
    }

    // The first start of an office with only Prevalida.mdb.
    void oficinaConPrevalidaMdb()
    {
        QTemporaryDir dir;
        const QString mdb = dir.filePath(u"Prevalida.mdb"_s);
        QFile f(mdb);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(nwindConParametros());
        f.close();
        const QByteArray antes = huella(mdb);

        DialogosGuion dialogos;
        QVERIFY(ImportadorAccess::importaOficina(dir.path(), dialogos));
        QCOMPARE(dialogos.mensajes.size(), 1);
        QCOMPARE(dialogos.mensajes[0].texto, u"La base de datos Prevalida.mdb se importó a Prevalida.db.\r\n"
                                             "El archivo Prevalida.mdb se conserva sin cambios."_s);
        QCOMPARE(dialogos.mensajes[0].titulo, Dialogos::nombreProducto());
        QCOMPARE(dialogos.mensajes[0].icono, Dialogos::Icono::Informacion);
        QCOMPARE(huella(mdb), antes);
        {
            BaseSqlite base(dir.filePath(u"Prevalida.db"_s));
            QSqlQuery q = base.consulta(u"SELECT COUNT(*) FROM PARAMETROS"_s);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 8);
            q = base.consulta(u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"_s);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 9);
        }

        // Told once: the next start finds Prevalida.db.
        QVERIFY(!ImportadorAccess::importaOficina(dir.path(), dialogos));
        QCOMPARE(dialogos.mensajes.size(), 1);
    }

    // The start-up sequence imports before it opens the database; an Access
    // file that is not an office database stops the start, leaving nothing.
    void inicioConAccessAjeno()
    {
        Oficina oficina;
        const QDir datos(oficina.carpetaDatos());
        QVERIFY(QFile::remove(datos.filePath(u"Prevalida.db"_s)));
        copia(muestra(u"nwind.mdb"_s), datos.filePath(u"Prevalida.mdb"_s));
        try {
            oficina.carga();
            QFAIL("el programa arrancó sin base de datos");
        } catch (const ErrorTendal &e) {
            QVERIFY2(
                e.descripcion().startsWith(u"La base de datos de la oficina no se pudo importar a Prevalida.db."_s),
                qPrintable(e.descripcion()));
        }
        QVERIFY(!QFile::exists(datos.filePath(u"Prevalida.db"_s)));
        QVERIFY(oficina.dialogos.mensajes.isEmpty());
    }

    void oficinaSinImportacion()
    {
        DialogosGuion dialogos;
        QTemporaryDir vacia;
        QVERIFY(!ImportadorAccess::importaOficina(vacia.path(), dialogos));

        // An Access file that is not an office database is left alone, and
        // nothing is made from it.
        QTemporaryDir ajena;
        copia(muestra(u"nwind.mdb"_s), ajena.filePath(u"Prevalida.mdb"_s));
        try {
            ImportadorAccess::importaOficina(ajena.path(), dialogos);
            QFAIL("se importó una base sin PARAMETROS");
        } catch (const ErrorTendal &e) {
            QVERIFY2(
                e.descripcion().startsWith(u"La base de datos de la oficina no se pudo importar a Prevalida.db.\r\n"_s),
                qPrintable(e.descripcion()));
            QVERIFY(e.descripcion().endsWith(u"no tiene la tabla PARAMETROS"_s));
        }
        QCOMPARE(QDir(ajena.path()).entryList(QDir::Files | QDir::Hidden), QStringList {u"Prevalida.mdb"_s});
        QVERIFY(dialogos.mensajes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PruebaBaseAccess)
#include "PruebaBaseAccess.moc"
