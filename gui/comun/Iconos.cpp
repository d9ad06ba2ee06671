#include "gui/comun/Iconos.h"

#include <QFile>
#include <QHash>

// The resources live in a static library: they are registered by hand.
static void registraRecursos()
{
    Q_INIT_RESOURCE(iconos);
    Q_INIT_RESOURCE(iconosParametros);
}

void Iconos::registra()
{
    static const bool hecho = (registraRecursos(), true);
    Q_UNUSED(hecho);
}

QIcon Iconos::lista(int numero)
{
    if (numero < 1 || numero > kLista)
        return {};
    registra();
    static QHash<int, QIcon> cache;
    auto it = cache.find(numero);
    if (it == cache.end())
        it = cache.insert(numero, QIcon(QStringLiteral(":/iconos/lista%1.svg").arg(numero, 2, 10, QLatin1Char('0'))));
    return *it;
}

QIcon Iconos::boton(const QString &nombre)
{
    registra();
    for (const QString &prefijo : {QStringLiteral(":/iconos/"), QStringLiteral(":/parametros/")}) {
        const QString ruta = prefijo + nombre + QStringLiteral(".svg");
        if (QFile::exists(ruta))
            return QIcon(ruta);
    }
    return {};
}
