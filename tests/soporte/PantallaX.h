#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A display of its own for one test program: an X server (Xvfb) of the given
// size on a free display number it picks itself, with a window manager
// (openbox) that gives the focus back to a window when a box over it
// closes, as the office's desktops do. Both stop with the object, and with
// the test program if it dies. ejecuta() runs a program (the test itself,
// again) on that display with the xcb platform.
//
//   PantallaX pantalla(QSize(1366, 768));
//   return pantalla.ejecuta(argv[0], argumentos, {{"QT_SCALE_FACTOR", "2"}});
class PantallaX
{
public:
    explicit PantallaX(int ancho = 1366, int alto = 768);
    ~PantallaX();
    PantallaX(const PantallaX &) = delete;
    PantallaX &operator=(const PantallaX &) = delete;

    // Empty when the server or the window manager did not start (the reason
    // is in error()).
    QString display() const { return m_display; }
    QString error() const { return m_error; }

    // Runs the program on this display (QT_QPA_PLATFORM=xcb, the given
    // variables added), its output forwarded; returns its exit code.
    int ejecuta(const QString &programa, const QStringList &argumentos,
                const QList<QPair<QString, QString>> &variables = {}) const;

    // The test programs that run themselves on a display of their own:
    // true in the copy that runs on it.
    static bool enPantallaPropia();

private:
    static void preparaHijo(QProcess &proceso);
    void detiene(QProcess &proceso);

    QTemporaryDir m_casa; // HOME of the window manager (its settings, its cache)
    QProcess m_servidor;
    QProcess m_gestor;
    QString m_display;
    QString m_error;
};
