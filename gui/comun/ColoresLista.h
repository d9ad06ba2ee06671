#pragma once

#include <QColor>
#include <QString>

// The colours the lists draw their flagged rows in, one meaning each, and
// the legend that explains them in the lists' tooltips: a file that waits
// too long for its responses (bold, dark orange) and a response whose
// report holds errors (dark red).
class ColoresLista
{
public:
    static QColor demorada() { return QColor(0x9a, 0x4a, 0x00); }
    static QColor conErrores() { return QColor(0xb7, 0x1c, 0x1c); }
    // For the title of a list: what its colours mean.
    static QString leyenda()
    {
        return QStringLiteral("En rojo: la respuesta tiene errores en su reporte de revisión.\n"
                              "En naranja y negrita: el archivo espera sus respuestas más de lo previsto.");
    }
    // Added to a flagged row's own tooltip.
    static QString notaDemorada() { return QStringLiteral("(en naranja: demorado)"); }
    static QString notaErrores() { return QStringLiteral("(en rojo: con errores)"); }
};
