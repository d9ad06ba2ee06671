// The report box of the main window filled with a report of 100,000 lines,
// as the report builder fills it (empty, header, body), against a single
// setPlainText of the same text on a plain QTextEdit of the same set-up,
// measured in the same run: the figure that matters is the ratio (target:
// within 1.5x). The window is shown (offscreen when there is no display),
// and each fill is followed by the painting it causes.

#include "gui/principal/CuadroReporte.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

constexpr int kLineas = 100000;
constexpr int kRepeticiones = 5;

// The best of several runs, in milliseconds, each one painted.
double mide(QWidget &ventana, const std::function<void()> &trabajo)
{
    double mejor = 1e18;
    for (int r = 0; r < kRepeticiones; ++r) {
        QElapsedTimer t;
        t.start();
        trabajo();
        ventana.repaint();
        QCoreApplication::processEvents();
        mejor = std::min(mejor, t.nsecsElapsed() / 1e6);
    }
    return mejor;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    const QString encabezado = QStringLiteral("REVISIÓN DE ARCHIVOS\r\nArchivo: M0123001.err\r\n\r\n");
    QString cuerpo;
    cuerpo.reserve(kLineas * 72);
    for (int i = 0; i < kLineas; ++i)
        cuerpo += QStringLiteral("%1  E  501  El campo %2 no coincide con los enviados en el pedimento\r\n")
                      .arg(i + 1, 6)
                      .arg(i % 40);

    QTextEdit base;
    base.setReadOnly(true);
    base.setLineWrapMode(QTextEdit::NoWrap);
    base.document()->setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    base.resize(760, 600);
    base.show();
    const QString todo = CuadroReporte::paraMostrar(encabezado + cuerpo);
    const double unaVez = mide(base, [&] {
        base.clear();
        base.setPlainText(todo);
    });

    CuadroReporte cuadro;
    cuadro.resize(760, 600);
    cuadro.show();
    const double llenado = mide(cuadro, [&] {
        cuadro.vacia();
        cuadro.ponTexto(encabezado);
        cuadro.agregaTexto(cuerpo);
    });

    out << Qt::fixed;
    out.setRealNumberPrecision(1);
    out << "setPlainText de " << kLineas << " líneas: " << unaVez << " ms" << Qt::endl;
    out << "Cuadro de reporte (vacía, encabezado, cuerpo): " << llenado << " ms, razón ";
    out.setRealNumberPrecision(2);
    out << llenado / unaVez << Qt::endl;
    return 0;
}
