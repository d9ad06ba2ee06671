#include "gui/principal/CuadroReporte.h"

#include <QFontDatabase>
#include <QTextCursor>

CuadroReporte::CuadroReporte(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont fuente = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    document()->setDefaultFont(fuente);
}

QString CuadroReporte::paraMostrar(const QString &texto)
{
    QString t;
    t.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (c == u'\r') {
            if (i + 1 < texto.size() && texto.at(i + 1) == u'\n')
                ++i;
            t += u'\n';
        } else if (c == u'\n') {
            t += u'\n';
        } else if (c.unicode() < 0x20 && c != u'\t') {
            t += QChar(0x2400 + c.unicode()); // the control picture of the character
        } else {
            t += c;
        }
    }
    return t;
}

void CuadroReporte::vacia()
{
    clear();
    m_finEncabezado = 0;
    setFontWeight(QFont::Normal);
}

void CuadroReporte::ponTexto(const QString &texto)
{
    const QString mostrado = paraMostrar(texto);
    setPlainText(mostrado);
    m_finEncabezado = int(mostrado.size());
}

void CuadroReporte::agregaTexto(const QString &texto)
{
    // The whole text laid out at once: inserting a long body through a
    // cursor lays it out block by block, many times slower.
    setPlainText(toPlainText() + paraMostrar(texto));
}

void CuadroReporte::falla(const QString &texto)
{
    // The failure text takes the place of the body: header and failure only.
    QTextCursor cursor(document());
    cursor.setPosition(m_finEncabezado);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.insertText(paraMostrar(texto));
}

void CuadroReporte::muestraSinCambios(const QString &contenido)
{
    setPlainText(paraMostrar(contenido));
}

QString CuadroReporte::texto() const
{
    return toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}
