// The desktop program as a whole: a start that cannot complete says why and
// ends non-zero; a start that completes opens the main window, whose closing
// asks and ends the program.
#include "gui/escritorio/Escritorio.h"
#include "gui/principal/frmPreVal.h"
#include "tests/soporte/Oficina.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QFileInfo>
#include <QScreen>
#include <QSplitter>
#include <QTimer>

#include <functional>

class PruebaEscritorio : public QObject
{
    Q_OBJECT

    static QApplication &app() { return *static_cast<QApplication *>(QCoreApplication::instance()); }

private slots:
    void sinInicio()
    {
        QTemporaryDir dir;
        DialogosGuion dialogos;
        const QString ini = dir.filePath(QStringLiteral("Tendal.ini"));
        const int salida = Escritorio::ejecuta(
            app(), {QStringLiteral("--ini"), ini, QStringLiteral("--workdir"), dir.filePath(QStringLiteral("trabajo"))},
            dialogos);
        QCOMPARE(salida, 1);
        QCOMPARE(dialogos.mensajes.size(), 1);
        QCOMPARE(dialogos.mensajes[0].texto,
                 QStringLiteral("No se encontró el archivo de inicio ") + QDir::toNativeSeparators(ini));
        QCOMPARE(dialogos.mensajes[0].icono, Dialogos::Icono::Critico);
        QCOMPARE(dialogos.mensajes[0].titulo, Dialogos::nombreProducto());
    }

    void sinBaseDeDatos()
    {
        Oficina oficina;
        QVERIFY(QFile::remove(QDir(oficina.carpetaDatos()).filePath(QStringLiteral("Prevalida.db"))));
        DialogosGuion dialogos;
        const int salida = Escritorio::ejecuta(
            app(), {QStringLiteral("--ini"), oficina.ini(), QStringLiteral("--workdir"), oficina.trabajo()}, dialogos);
        QCOMPARE(salida, 1);
        QCOMPARE(dialogos.mensajes.size(), 1);
        QVERIFY2(dialogos.mensajes[0].texto.startsWith(QStringLiteral("No se pudo abrir la base de datos ")),
                 qPrintable(dialogos.mensajes[0].texto));
        QVERIFY(dialogos.mensajes[0].texto.contains(QStringLiteral("Prevalida.db")));
    }

    void abreYTermina()
    {
        Oficina oficina;
        DialogosGuion dialogos;
        QString titulo;
        QTimer::singleShot(0, this, [&] {
            frmPreVal *ventana = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *f = qobject_cast<frmPreVal *>(w); f && f->isVisible())
                    ventana = f;
            if (!ventana) {
                QCoreApplication::exit(2);
                return;
            }
            titulo = ventana->windowTitle();
            dialogos.respuestas.enqueue(Dialogos::Respuesta::No);
            ventana->close(); // asks; No keeps it open
            dialogos.respuestas.enqueue(Dialogos::Respuesta::Si);
            ventana->close();
        });
        QTimer::singleShot(30000, this, [] { QCoreApplication::exit(3); });
        const int salida = Escritorio::ejecuta(
            app(), {QStringLiteral("--ini"), oficina.ini(), QStringLiteral("--workdir"), oficina.trabajo()}, dialogos);
        QCOMPARE(salida, 0);
        QVERIFY(titulo.endsWith(QStringLiteral("  |  PATENTE 0123 - AGENTE DE PRUEBA")));
        QCOMPARE(dialogos.textos(), QStringList({QStringLiteral("¿Deseas Salir del Sistema?"),
                                                 QStringLiteral("¿Deseas Salir del Sistema?")}));
    }

    // The main window opens inside the available screen, and its size,
    // position and splitters come back in the next run.
    void recuerdaGeometria()
    {
        Oficina oficina;
        DialogosGuion dialogos;
        const auto principal = [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *f = qobject_cast<frmPreVal *>(w); f && f->isVisible())
                    return f;
            return static_cast<frmPreVal *>(nullptr);
        };
        QSize alAbrir, area, guardada;
        QList<int> divisores;
        const auto corre = [&](const std::function<void(frmPreVal *)> &haz) {
            QTimer::singleShot(0, this, [&, haz] {
                frmPreVal *ventana = principal();
                if (!ventana) {
                    QCoreApplication::exit(2);
                    return;
                }
                haz(ventana);
                dialogos.respuestas.enqueue(Dialogos::Respuesta::Si);
                ventana->close();
            });
            return Escritorio::ejecuta(
                app(), {QStringLiteral("--ini"), oficina.ini(), QStringLiteral("--workdir"), oficina.trabajo()},
                dialogos);
        };
        QCOMPARE(corre([&](frmPreVal *v) {
                     alAbrir = v->size();
                     area = v->screen()->availableGeometry().size();
                     v->resize(700, 480);
                     guardada = v->size();
                     auto *divisor = v->findChild<QSplitter *>();
                     divisor->setSizes({200, 200, 300});
                     divisores = divisor->sizes();
                 }),
                 0);
        QVERIFY2(alAbrir.width() <= area.width() && alAbrir.height() <= area.height(),
                 qPrintable(QStringLiteral("%1x%2 en %3x%4")
                                .arg(alAbrir.width())
                                .arg(alAbrir.height())
                                .arg(area.width())
                                .arg(area.height())));
        QVERIFY(QFileInfo::exists(QFileInfo(oficina.ini()).dir().filePath(QStringLiteral("ventanas.ini"))));

        QSize reabierta;
        QList<int> reabiertos;
        QCOMPARE(corre([&](frmPreVal *v) {
                     reabierta = v->size();
                     reabiertos = v->findChild<QSplitter *>()->sizes();
                 }),
                 0);
        QCOMPARE(reabierta, guardada);
        QCOMPARE(reabiertos, divisores);
    }
};

QTEST_MAIN(PruebaEscritorio)
#include "PruebaEscritorio.moc"
