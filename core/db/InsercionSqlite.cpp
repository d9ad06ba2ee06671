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

bool InsercionSqlite::inserta(const QVariantList &valores)
{
    if (!m_sentencia)
        return false;
    if (valores.size() != sqlite3_bind_parameter_count(m_sentencia)) {
        m_error = QStringLiteral("se esperaban %1 valores y llegaron %2")
                      .arg(sqlite3_bind_parameter_count(m_sentencia))
                      .arg(valores.size());
        return false;
    }
    m_textos.clear();
    m_textos.reserve(size_t(valores.size()));
    int r = SQLITE_OK;
    for (int i = 0; i < valores.size() && r == SQLITE_OK; ++i) {
        const QVariant &v = valores[i];
        const int n = i + 1;
        if (v.isNull()) {
            r = sqlite3_bind_null(m_sentencia, n);
            continue;
        }
        switch (v.typeId()) {
        // The driver's own choices: these numbers as numbers, every other
        // value (a float, a date) as its text.
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            r = sqlite3_bind_int64(m_sentencia, n, v.toLongLong());
            break;
        case QMetaType::Double:
            r = sqlite3_bind_double(m_sentencia, n, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            m_textos.push_back(v.toByteArray());
            const QByteArray &b = m_textos.back();
            r = sqlite3_bind_blob(m_sentencia, n, b.constData(), int(b.size()), SQLITE_STATIC);
            break;
        }
        default: {
            m_textos.push_back(v.toString().toUtf8());
            const QByteArray &t = m_textos.back();
            r = sqlite3_bind_text(m_sentencia, n, t.constData(), int(t.size()), SQLITE_STATIC);
            break;
        }
        }
    }
    if (r == SQLITE_OK)
        r = sqlite3_step(m_sentencia);
    const bool bien = r == SQLITE_DONE;
    if (!bien)
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(m_sentencia);
    sqlite3_clear_bindings(m_sentencia);
    return bien;
}
