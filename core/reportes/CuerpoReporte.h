#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>
#include <optional>
#include <utility>

// The body of a revision report, collected while the response file is read
// and handed to the report target piece by piece (tomaTexto). Holds the writing
// rules every format shares: the line break (CR LF), numbers in decimal
// without leading zeros, descriptions in sentence form, the amount formats,
// and the step that follows a catalogue lookup.
class CuerpoReporte
{
public:
    // How a catalogue description is written.
    enum class Forma {
        TalCual, // as stored
        Oracion, // first character as stored, the rest in lower case
    };

    // The two amount formats: "#,##0" and " $#,##0.00".
    enum class Importe {
        Entero,
        Pesos,
    };

    explicit CuerpoReporte(const QLocale &locale = QLocale());

    CuerpoReporte &operator<<(QStringView texto)
    {
        m_texto.append(texto);
        return *this;
    }
    CuerpoReporte &operator<<(qint16 numero);
    CuerpoReporte &salto(int veces = 1);
    CuerpoReporte &oracion(QStringView descripcion);
    // The field read as a number and written in the format; a field that is
    // not a number is written unchanged.
    CuerpoReporte &importe(QStringView campo, Importe formato);

    // After a lookup: with a row, the label, the description in its form and
    // `saltosConFila` line breaks; without a row, `saltosSinFila` line breaks.
    void descripcion(const std::optional<QString> &fila, QStringView etiqueta, Forma forma, int saltosConFila,
                     int saltosSinFila);

    const QString &texto() const { return m_texto; }
    // The text collected so far; the body starts empty again.
    QString tomaTexto() { return std::exchange(m_texto, QString()); }

    static QString enOracion(QStringView descripcion);

private:
    QLocale m_locale;
    QString m_texto;
};
