#include "gui/principal/CuadroReporte.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// A slice of the load ends once it has taken this long; pieces of about
// kPieza characters (whole lines) go in one at a time. Each insertion into
// the document has a cost of its own besides its characters, so the pieces
// are large: one takes about 10 ms, and the total stays close to one
// setPlainText of the whole text.
constexpr qint64 kRebanadaMs = 8;
constexpr qsizetype kPieza = 128 * 1024;

} // namespace

CuadroReporte::CuadroReporte(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_carga.setInterval(0);
    connect(&m_carga, &QTimer::timeout, this, &CuadroReporte::cargaParte);
}

QString CuadroReporte::paraMostrar(QStringView texto)
{
    // On the characters themselves: this runs over every character of a
    // report of any length.
    QString t(texto.size(), Qt::Uninitialized);
    const char16_t *origen = texto.utf16();
    const char16_t *const fin = origen + texto.size();
    char16_t *destino = reinterpret_cast<char16_t *>(t.data());
    char16_t *const inicio = destino;
    for (; origen < fin; ++origen) {
        const char16_t c = *origen;
        if (c >= 0x20 || c == u'\t') {
            *destino++ = c;
        } else if (c == u'\r') {
            if (origen + 1 < fin && origen[1] == u'\n')
                ++origen;
            *destino++ = u'\n';
        } else if (c == u'\n') {
            *destino++ = u'\n';
        } else {
            *destino++ = char16_t(0x2400 + c); // the control picture of the character
        }
    }
    t.truncate(destino - inicio);
    return t;
}

void CuadroReporte::vacia()
{
    m_carga.stop();
    m_texto.clear();
    m_largoEncabezado = 0;
    m_mostrado = 0;
    clear();
}

void CuadroReporte::ponTexto(const QString &texto)
{
    m_texto = texto;
    m_largoEncabezado = texto.size();
}

void CuadroReporte::agregaTexto(const QString &texto)
{
    m_texto += texto;
}

void CuadroReporte::falla(const QString &texto)
{
    // The failure text takes the place of the body: header and failure only.
    m_texto.truncate(m_largoEncabezado);
    m_texto += texto;
}

void CuadroReporte::muestraSinCambios(const QString &contenido)
{
    m_texto = contenido;
}

void CuadroReporte::termina()
{
    m_carga.stop();
    clear();
    m_mostrado = 0;
    cargaParte();
    if (m_mostrado < m_texto.size())
        m_carga.start();
}

// One slice of the load: whole lines, a piece at a time, until the slice's
// time is spent or the report is in. A piece never ends between a CR and
// its LF.
void CuadroReporte::cargaParte()
{
    QElapsedTimer reloj;
    reloj.start();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    while (m_mostrado < m_texto.size()) {
        qsizetype fin = std::min(m_texto.size(), m_mostrado + kPieza);
        if (fin < m_texto.size()) {
            const qsizetype salto = m_texto.lastIndexOf(u'\n', fin - 1);
            if (salto >= m_mostrado)
                fin = salto + 1;
            else if (m_texto.at(fin - 1) == u'\r' || m_texto.at(fin - 1).isHighSurrogate())
                ++fin; // a line longer than a piece: never split a CR LF or a character
        }
        cursor.insertText(paraMostrar(QStringView(m_texto).sliced(m_mostrado, fin - m_mostrado)));
        m_mostrado = fin;
        if (reloj.elapsed() >= kRebanadaMs)
            break;
    }
    if (m_mostrado < m_texto.size())
        return;
    m_carga.stop();
    m_texto = QString();
    m_mostrado = 0;
    m_largoEncabezado = 0;
    emit cargado();
}

QString CuadroReporte::texto() const
{
    return toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}
