#include "core/reportes/LectorLineas.h"

#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"

#include <QIODevice>

namespace {

constexpr qsizetype kBloque = 64 * 1024;

} // namespace

LectorLineas::LectorLineas(QIODevice &dispositivo, qsizetype largoMaximo)
    : m_dispositivo(dispositivo)
    , m_largoMaximo(largoMaximo)
{
}

// Reads one more block after the unread bytes. False at the end of the file.
bool LectorLineas::llena()
{
    if (m_fin)
        return false;
    if (m_inicio > 0) {
        m_bloque.remove(0, m_inicio);
        m_inicio = 0;
    }
    const qsizetype tenia = m_bloque.size();
    m_bloque.resize(tenia + kBloque);
    const qint64 leidos = m_dispositivo.read(m_bloque.data() + tenia, kBloque);
    if (leidos < 0) {
        m_bloque.resize(tenia);
        throw ErrorTendal(ErrorTendal::AccesoRutaArchivo,
                          QStringLiteral("error de lectura (%1)").arg(m_dispositivo.errorString()));
    }
    m_bloque.resize(tenia + leidos);
    if (leidos == 0)
        m_fin = true;
    return leidos > 0;
}

void LectorLineas::entrega(qsizetype fin, QString &linea)
{
    const qsizetype n = fin - m_inicio;
    linea.resize(n);
    QChar *destino = linea.data();
    const char *origen = m_bloque.constData() + m_inicio;
    for (qsizetype i = 0; i < n; ++i)
        destino[i] = Ansi::caracter(static_cast<unsigned char>(origen[i]));
    ++m_numero;
}

bool LectorLineas::siguiente(QString &linea)
{
    if (m_saltaLf) {
        if (m_inicio >= m_bloque.size())
            llena();
        if (m_inicio < m_bloque.size() && m_bloque.at(m_inicio) == '\n')
            ++m_inicio;
        m_saltaLf = false;
    }
    qsizetype buscado = m_inicio;
    for (;;) {
        const qsizetype cr = m_bloque.indexOf('\r', buscado);
        if (cr >= 0) {
            if (cr - m_inicio > m_largoMaximo)
                break;
            entrega(cr, linea);
            m_inicio = cr + 1;
            if (m_inicio < m_bloque.size()) {
                if (m_bloque.at(m_inicio) == '\n')
                    ++m_inicio;
            } else {
                m_saltaLf = true;
            }
            return true;
        }
        if (m_bloque.size() - m_inicio > m_largoMaximo)
            break;
        buscado = m_bloque.size() - m_inicio; // the unread bytes move to the front
        if (!llena()) {
            if (m_inicio >= m_bloque.size())
                return false;
            entrega(m_bloque.size(), linea);
            m_inicio = m_bloque.size();
            return true;
        }
    }
    ++m_numero;
    throw ErrorTendal(ErrorTendal::AccesoRutaArchivo,
                      QStringLiteral("la línea mide más de %1 caracteres").arg(m_largoMaximo));
}
