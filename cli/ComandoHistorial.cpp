#include "cli/Comando.h"
#include "cli/DialogosConsola.h"
#include "core/historial/ModeloHistorial.h"
#include "core/oficina/Programa.h"

namespace {

const QString kForma = QStringLiteral("historial [--desde dd/MM/yyyy] [--hasta dd/MM/yyyy] [--tipo LETRAS] "
                                      "[--nombre TEXTO] [--pedimento NUMERO] [--csv]");

// A date typed as dd/MM/yyyy (d/M/yyyy too); invalid otherwise.
QDate fecha(const QString &texto)
{
    for (const char *formato : {"dd/MM/yyyy", "d/M/yyyy"}) {
        const QDate d = QDate::fromString(texto.trimmed(), QString::fromLatin1(formato));
        if (d.isValid())
            return d;
    }
    return {};
}

} // namespace

// tendal historial: the office's transmissions with their responses, newest
// first, as the history window lists them; --csv writes them as CSV.
int comandoHistorial(Comando &c)
{
    bool falta = false;
    const QString desde = c.opcion(QStringLiteral("--desde"), &falta);
    const QString hasta = c.opcion(QStringLiteral("--hasta"), &falta);
    const QString tipos = c.opcion(QStringLiteral("--tipo"), &falta);
    const QString nombre = c.opcion(QStringLiteral("--nombre"), &falta);
    const QString pedimento = c.opcion(QStringLiteral("--pedimento"), &falta);
    const bool csv = c.bandera(QStringLiteral("--csv"));
    if (falta || !c.args.isEmpty())
        return c.uso(kForma);

    ModeloHistorial::Filtro filtro;
    for (const auto &[texto, destino, opcion] :
         {std::tuple {desde, &filtro.desde, "--desde"}, std::tuple {hasta, &filtro.hasta, "--hasta"}}) {
        if (texto.isEmpty())
            continue;
        *destino = fecha(texto);
        if (!destino->isValid()) {
            c.err << QStringLiteral("La fecha «%1» de %2 no es válida: se escribe dd/MM/yyyy (por ejemplo 05/03/2026).")
                         .arg(texto, QLatin1StringView(opcion))
                  << Qt::endl;
            return 2;
        }
    }
    if (filtro.desde.isValid() && filtro.hasta.isValid() && filtro.desde > filtro.hasta) {
        c.err << QStringLiteral("La fecha de --desde (%1) es posterior a la de --hasta (%2).").arg(desde, hasta)
              << Qt::endl;
        return 2;
    }
    for (const QChar letra : tipos.toUpper()) {
        if (letra == u',' || letra == u' ')
            continue;
        if (!QStringLiteral("MCDES").contains(letra)) {
            c.err << QStringLiteral("--tipo acepta las letras de los tipos de archivo: M (SAAI M3), C y D (cartas "
                                    "cupo), E (pago electrónico) y S (SAGARPA).")
                  << Qt::endl;
            return 2;
        }
        filtro.tipos << QString(letra);
    }
    filtro.nombre = nombre;
    filtro.pedimento = pedimento;

    DialogosConsola dialogos(c.err, c.si);
    const auto abierto = c.abrePrograma(dialogos);
    if (!abierto)
        return 1;
    ModeloHistorial modelo(*abierto);
    modelo.ponFiltro(filtro);
    if (csv) {
        c.out << modelo.csv();
    } else if (modelo.transmisiones().isEmpty()) {
        c.err << QStringLiteral("No hay envíos registrados que cumplan el filtro.") << Qt::endl;
    } else {
        c.out << modelo.tabla();
    }
    return 0;
}
