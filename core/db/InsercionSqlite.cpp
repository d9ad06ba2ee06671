#include "core/db/InsercionSqlite.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace {

sqlite3 *manejador(const QSqlDatabase &db)
{
    if (!db.isOpen() || db.driverName() != QLatin1String("QSQLITE") || !db.driver())
        return nullptr;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

} // namespace

bool InsercionSqlite::disponible(const QSqlDatabase &db)
{
    return manejador(db) != nullptr;
}

InsercionSqlite::InsercionSqlite(const QSqlDatabase &db, const QString &sql)
    : m_db(manejador(db))
{
    if (!m_db) {
        m_error = QStringLiteral("la conexión no es de SQLite");
        return;
    }
    const QByteArray texto = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, texto.constData(), int(texto.size()), &m_sentencia, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(m_sentencia);
        m_sentencia = nullptr;
    }
}

InsercionSqlite::~InsercionSqlite()
{
    sqlite3_finalize(m_sentencia);
}

bool InsercionSqlite::inserta(std::span<const Valor> valores)
{
    if (!m_sentencia)
        return false;
    if (qsizetype(valores.size()) != sqlite3_bind_parameter_count(m_sentencia)) {
        m_error = QStringLiteral("se esperaban %1 valores y llegaron %2")
                      .arg(sqlite3_bind_parameter_count(m_sentencia))
                      .arg(valores.size());
        return false;
    }
    // Every mark is bound again for each row, so no binding of the last row
    // (a view into a buffer since reused) is ever stepped.
    int r = SQLITE_OK;
    for (size_t i = 0; i < valores.size() && r == SQLITE_OK; ++i) {
        const Valor &v = valores[i];
        const int n = int(i) + 1;
        // A null pointer would bind NULL: an empty text or blob points at "".
        const char *datos = v.datos.data() ? v.datos.data() : "";
        if (v.nulo) {
            r = sqlite3_bind_null(m_sentencia, n);
            continue;
        }
        switch (v.clase) {
        case Valor::Clase::Entero:
            r = sqlite3_bind_int64(m_sentencia, n, v.entero);
            break;
        case Valor::Clase::Real:
            r = sqlite3_bind_double(m_sentencia, n, v.real);
            break;
        case Valor::Clase::Texto:
            r = sqlite3_bind_text(m_sentencia, n, datos, int(v.datos.size()), SQLITE_STATIC);
            break;
        case Valor::Clase::Bytes:
            r = sqlite3_bind_blob(m_sentencia, n, datos, int(v.datos.size()), SQLITE_STATIC);
            break;
        }
    }
    if (r == SQLITE_OK)
        r = sqlite3_step(m_sentencia);
    const bool bien = r == SQLITE_DONE;
    if (!bien)
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(m_sentencia);
    return bien;
}
