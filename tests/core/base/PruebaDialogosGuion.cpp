// The scripted person of the tests is strict: a question the script does not
// answer, and an answer the script holds that nobody asked for, are faults
// of the test (or of the program), never passed over.
#include "tests/soporte/DialogosGuion.h"

#include <QTest>

class PruebaDialogosGuion : public QObject
{
    Q_OBJECT
private slots:
    void preguntaSinGuion()
    {
        QStringList faltas;
        DialogosGuion persona;
        persona.alFaltar = [&](const QString &f) {
            faltas << f;
        };
        // A message asks nothing; a question does.
        persona.aviso(QStringLiteral("Listo"));
        QVERIFY(faltas.isEmpty());
        QVERIFY(!persona.pregunta(QStringLiteral("¿Seguro?")));
        QCOMPARE(faltas, QStringList {QStringLiteral("pregunta sin respuesta en el guion: «¿Seguro?»")});
        QVERIFY(!persona.pideClave());
        QVERIFY(!persona.eligeCarpeta(QStringLiteral("/tmp")));
        QCOMPARE(faltas.size(), 3);
        // A scripted cancel is an answer.
        persona.claves.enqueue(std::nullopt);
        QVERIFY(!persona.pideClave());
        QCOMPARE(faltas.size(), 3);
    }

    void respuestasSobrantes()
    {
        QStringList faltas;
        {
            DialogosGuion persona;
            persona.alFaltar = [&](const QString &f) {
                faltas << f;
            };
            persona.respuestas << Dialogos::Respuesta::Si << Dialogos::Respuesta::No;
            persona.claves.enqueue(QStringLiteral("clave"));
            QVERIFY(persona.pregunta(QStringLiteral("¿Uno?")));
            persona.comprueba();
            QCOMPARE(faltas, QStringList({QStringLiteral("1 respuesta(s) a preguntas del guion sin usar"),
                                          QStringLiteral("1 contraseña(s) del guion sin usar")}));
            // What comprueba() reported is not reported again.
            persona.respuestas.enqueue(Dialogos::Respuesta::Si);
        }
        // The person going checks too.
        QCOMPARE(faltas.size(), 3);
        QCOMPARE(faltas.last(), QStringLiteral("1 respuesta(s) a preguntas del guion sin usar"));
    }
};

QTEST_GUILESS_MAIN(PruebaDialogosGuion)
#include "PruebaDialogosGuion.moc"
