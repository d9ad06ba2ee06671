// The report box of the main window filled with a report of 100,000 lines,
// as the report builder fills it (empty, header, body, end) and until the
// whole report is in the box, against a single setPlainText of the same
// text on a plain text box of the same class and set-up, measured in the
// same run: the figure that matters is the ratio (target: within 1.5x). A
// 10 ms timer runs on the window's thread meanwhile, and the largest gap
// between its ticks is how long the window could not paint. The single
// setPlainText on the kind of box the report box used to be (a rich text
// box) is shown too, for the figures before. The windows are shown
// (offscreen when there is no display), and each fill is followed by the
// painting it causes.

#include "bench/soporte/Pulso.h"
#include "gui/principal/CuadroReporte.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

constexpr int kLineas = 100000;
constexpr int kRepeticiones = 5;

struct Medida {
    double ms = 1e18; // the best run
    qint64 huecoMs = 0; // the largest gap between ticks in that run
};

// The best of several runs, each painted, with the 10 ms timer going; the
// work calls `listo` when it is over (at once, or later from the loop).
Medida mide(QWidget &ventana, const std::function<void(const std::function<void()> &listo)> &trabajo)
{
    Medida mejor;
    for (int r = 0; r < kRepeticiones; ++r) {
        QEventLoop bucle;
        Pulso pulso;
        QElapsedTimer t;
        double ms = 0;
        pulso.arranca();
        t.start();
        trabajo([&] {
            ventana.repaint();
            ms = t.nsecsElapsed() / 1e6;
            pulso.cierra();
            bucle.quit();
        });
        if (ms == 0)
            bucle.exec();
        if (ms < mejor.ms)
            mejor = {ms, pulso.mayorHueco()};
    }
    return mejor;
}

template<typename Caja> void prepara(Caja &caja)
{
    caja.setReadOnly(true);
    caja.setLineWrapMode(Caja::NoWrap);
    caja.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    caja.resize(760, 600);
    caja.show();
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
    const QString todo = CuadroReporte::paraMostrar(encabezado + cuerpo);

    QPlainTextEdit base;
    prepara(base);
    const Medida unaVez = mide(base, [&](const auto &listo) {
        base.clear();
        base.setPlainText(todo);
        listo();
    });

    QTextEdit enriquecida;
    prepara(enriquecida);
    const Medida antes = mide(enriquecida, [&](const auto &listo) {
        enriquecida.clear();
        enriquecida.setPlainText(todo);
        listo();
    });

    CuadroReporte cuadro;
    cuadro.resize(760, 600);
    cuadro.show();
    const Medida llenado = mide(cuadro, [&](const auto &listo) {
        QObject::connect(&cuadro, &CuadroReporte::cargado, &cuadro, listo, Qt::SingleShotConnection);
        cuadro.vacia();
        cuadro.ponTexto(encabezado);
        cuadro.agregaTexto(cuerpo);
        cuadro.termina();
    });
    if (cuadro.document()->blockCount() < kLineas)
        qFatal("el cuadro muestra %d líneas", cuadro.document()->blockCount());

    out << Qt::fixed;
    out.setRealNumberPrecision(1);
    out << "setPlainText de " << kLineas << " líneas: " << unaVez.ms << " ms, mayor hueco " << unaVez.huecoMs << " ms"
        << Qt::endl;
    out << "setPlainText en un cuadro de texto enriquecido (el cuadro de antes): " << antes.ms << " ms, mayor hueco "
        << antes.huecoMs << " ms" << Qt::endl;
    out << "Cuadro de reporte (vacía, encabezado, cuerpo, fin, hasta mostrarlo entero): " << llenado.ms
        << " ms, mayor hueco " << llenado.huecoMs << " ms, razón ";
    out.setRealNumberPrecision(2);
    out << llenado.ms / unaVez.ms << " (contra el cuadro enriquecido " << llenado.ms / antes.ms << ")" << Qt::endl;
    return 0;
}
