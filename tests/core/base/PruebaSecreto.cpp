#include "core/base/Secreto.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

// A password is overwritten in its own buffer, which the text keeps (so the
// test may look at it), and never in a buffer another copy still uses.
class PruebaSecreto : public QObject
{
    Q_OBJECT

private slots:
    void borraSuPropioBuffer()
    {
        QString clave = QString::fromUtf8("Sésamo-1234");
        const qsizetype largo = clave.size();
        const ushort *datos = clave.utf16();
        Secreto::borra(clave);
        QVERIFY(clave.isEmpty());
        QCOMPARE(clave.utf16(), datos); // the same buffer, emptied where it lies
        QVERIFY(std::all_of(datos, datos + largo, [](ushort c) { return c == 0; }));

        QByteArray bytes("Sésamo-1234");
        const char *crudos = bytes.constData();
        const qsizetype n = bytes.size();
        Secreto::borra(bytes);
        QVERIFY(bytes.isEmpty() && bytes.constData() == crudos);
        QVERIFY(std::all_of(crudos, crudos + n, [](char c) { return c == 0; }));

        std::string linea(64, 'x'); // out of the string's own small buffer
        const char *letras = linea.data();
        Secreto::borra(linea);
        QVERIFY(linea.empty());
        QVERIFY(std::all_of(letras, letras + 64, [](char c) { return c == 0; }));
    }

    void dejaLasCopiasQueSiguenEnUso()
    {
        const QString clave = QString::fromUtf8("Sésamo-1234");
        QString copia = clave; // the program's value shares its text
        Secreto::borra(copia);
        QVERIFY(copia.isEmpty());
        QCOMPARE(clave, u"Sésamo-1234"_s);

        QString literal = u"constante"_s; // read-only data: never written
        Secreto::borra(literal);
        QVERIFY(literal.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PruebaSecreto)
#include "PruebaSecreto.moc"
