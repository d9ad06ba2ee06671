#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// One line (or one record) of a response file, with the rules every format
// reads it by:
// - positions count from 1 and are inclusive; a position beyond the end of
//   the line yields the characters that exist, possibly none;
// - a copied field is the text as it stands; a number field is converted to a
//   16-bit whole number (written without leading zeros);
// - bar-separated fields: field n is the text between bar n-1 and bar n, and
//   exists only once its closing bar is in the line.
// A number field that is not a number, lies outside -32768..32767 or is
// missing throws ErrorTendal (13 or 6) whose description names the field, so
// that the report can say why a line could not be read.
class LineaRespuesta
{
public:
    explicit LineaRespuesta(QStringView texto)
        : m_texto(texto)
    {
    }

    QStringView texto() const { return m_texto; }
    qsizetype largo() const { return m_texto.size(); }

    // The character at the position, or a null QChar beyond the end.
    QChar caracter(qsizetype posicion) const;
    // The first character equals the letter, ignoring case or not.
    bool empiezaCon(QChar letra, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    // Positions desde..hasta, copied.
    QStringView posiciones(qsizetype desde, qsizetype hasta) const;
    // From the position to the end of the line.
    QStringView desde(qsizetype posicion) const;
    // Positions desde..hasta as a number; `nombre` names the field in errors.
    qint16 numero(qsizetype desde, qsizetype hasta, QStringView nombre) const;

    // Bar-separated field n (from 1), or nothing when its closing bar is missing.
    std::optional<QStringView> campo(int n) const;
    // Field n copied; empty when the line does not carry it.
    QStringView campoCopiado(int n) const;
    // Field n as a number; a missing field is an error that says so.
    qint16 campoNumero(int n, QStringView nombre) const;
    // The text after bar n (the rest of the line), empty when there are fewer bars.
    QStringView trasBarra(int n) const;
    // The text after the last bar (the whole line when it has no bar).
    QStringView trasUltimaBarra() const;

    // The number rules on their own.
    static bool esNumero(QStringView texto);
    static qint16 numero(QStringView texto, const QString &descripcionCampo);

private:
    // Index of bar n (from 1), or -1.
    qsizetype barra(int n) const;

    QStringView m_texto;
};
