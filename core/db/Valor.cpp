#include "core/db/Valor.h"

#include <limits>

QVariant Valor::aVariante() const
{
    switch (clase) {
    case Clase::Entero:
        if (nulo)
            return QVariant(QMetaType::fromType<int>());
        if (entero >= std::numeric_limits<int>::min() && entero <= std::numeric_limits<int>::max())
            return QVariant(int(entero));
        return QVariant(qlonglong(entero));
    case Clase::Real:
        return nulo ? QVariant(QMetaType::fromType<double>()) : QVariant(real);
    case Clase::Texto:
        if (nulo)
            return QVariant(QMetaType::fromType<QString>());
        // fromUtf8 of nothing is a null text, which drivers store as NULL.
        return datos.isEmpty() ? QVariant(QStringLiteral("")) : QVariant(QString::fromUtf8(datos));
    case Clase::Bytes:
        break;
    }
    if (nulo)
        return QVariant(QMetaType::fromType<QByteArray>());
    return datos.isEmpty() ? QVariant(QByteArray("")) : QVariant(datos.toByteArray());
}
