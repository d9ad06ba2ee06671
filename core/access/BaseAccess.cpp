#include "core/access/BaseAccess.h"

#include "core/access/Mdb.h"
#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <QtEndian>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Room for the longest memo text a row may carry once converted to UTF-8.
constexpr size_t kTamanoTexto = 4 * 1024 * 1024;
// libmdb's own bind size, for everything but OLE objects.
constexpr size_t kTamanoComun = MDB_BIND_SIZE;
// Row offsets on a data page carry two flag bits above the offset itself.
constexpr int kMascaraDesplazamiento = 0x1fff;

ErrorTendal errorLectura(const QString &ruta, const QString &motivo)
{
    return ErrorTendal(
        ErrorTendal::BaseDeDatos,
        QStringLiteral("No se pudo leer la base de datos Access %1: %2").arg(QDir::toNativeSeparators(ruta), motivo));
}

BaseAccess::Tipo tipoDe(int tipoMdb)
{
    switch (tipoMdb) {
    case MDB_BOOL:
        return BaseAccess::Tipo::SiNo;
    case MDB_BYTE:
        return BaseAccess::Tipo::Byte;
    case MDB_INT:
        return BaseAccess::Tipo::Entero;
    case MDB_LONGINT:
        return BaseAccess::Tipo::Largo;
    case MDB_MONEY:
        return BaseAccess::Tipo::Moneda;
    case MDB_FLOAT:
        return BaseAccess::Tipo::Simple;
    case MDB_DOUBLE:
        return BaseAccess::Tipo::Doble;
    case MDB_DATETIME:
        return BaseAccess::Tipo::Fecha;
    case MDB_BINARY:
        return BaseAccess::Tipo::Binario;
    case MDB_TEXT:
        return BaseAccess::Tipo::Texto;
    case MDB_OLE:
        return BaseAccess::Tipo::Ole;
    case MDB_MEMO:
        return BaseAccess::Tipo::Memo;
    case MDB_REPID:
        return BaseAccess::Tipo::Guid;
    case MDB_NUMERIC:
        return BaseAccess::Tipo::Decimal;
    default:
        return BaseAccess::Tipo::Otro;
    }
}

// How a value of the type is handed on (and a null of it).
Valor::Clase claseDe(BaseAccess::Tipo tipo)
{
    switch (tipo) {
    case BaseAccess::Tipo::SiNo:
    case BaseAccess::Tipo::Byte:
    case BaseAccess::Tipo::Entero:
    case BaseAccess::Tipo::Largo:
        return Valor::Clase::Entero;
    case BaseAccess::Tipo::Moneda:
    case BaseAccess::Tipo::Simple:
    case BaseAccess::Tipo::Doble:
        return Valor::Clase::Real;
    case BaseAccess::Tipo::Binario:
    case BaseAccess::Tipo::Ole:
    case BaseAccess::Tipo::Otro:
        return Valor::Clase::Bytes;
    default:
        return Valor::Clase::Texto;
    }
}

// An Access date: whole days since 30 December 1899 (negative before it),
// the fraction the time of that day whatever the sign. Written into texto
// as yyyy-MM-dd, with " HH:mm:ss" unless the time is midnight.
void textoFecha(double valor, std::string &texto)
{
    double dias = std::trunc(valor);
    qint64 segundos = qRound64(std::fabs(valor - dias) * 86400.0);
    if (segundos >= 86400) {
        segundos -= 86400;
        dias += 1;
    }
    const QDate fecha = QDate(1899, 12, 30).addDays(qint64(dias));
    int anio = 0;
    int mes = 0;
    int dia = 0;
    fecha.getDate(&anio, &mes, &dia);
    if (anio < 0 || anio > 9999) {
        texto = fecha.toString(Qt::ISODate).toStdString(); // as Qt writes it (nothing)
        return;
    }
    // Written digit by digit: a catalogue has a date on most rows, and
    // formatting through QDate costs more than reading the row.
    texto.resize(segundos == 0 ? 10 : 19);
    const auto digitos = [&](size_t posicion, int valor, int cuantos) {
        for (int i = cuantos - 1; i >= 0; --i, valor /= 10)
            texto[posicion + size_t(i)] = char('0' + valor % 10);
    };
    digitos(0, anio, 4);
    texto[4] = '-';
    digitos(5, mes, 2);
    texto[7] = '-';
    digitos(8, dia, 2);
    if (segundos == 0)
        return;
    texto[10] = ' ';
    digitos(11, int(segundos / 3600), 2);
    texto[13] = ':';
    digitos(14, int(segundos / 60 % 60), 2);
    texto[16] = ':';
    digitos(17, int(segundos % 60), 2);
}

void anadeUtf8(std::string &s, char32_t c)
{
    if (c < 0x80) {
        s.push_back(char(c));
    } else if (c < 0x800) {
        s.push_back(char(0xC0 | (c >> 6)));
        s.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        s.push_back(char(0xE0 | (c >> 12)));
        s.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(char(0x80 | (c & 0x3F)));
    } else {
        s.push_back(char(0xF0 | (c >> 18)));
        s.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        s.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(char(0x80 | (c & 0x3F)));
    }
}

// A Jet 3 text stored in Windows-1252, as UTF-8.
void desdeAnsi(const unsigned char *p, size_t n, std::string &s)
{
    s.clear();
    for (size_t i = 0; i < n; ++i) {
        if (p[i] < 0x80)
            s.push_back(char(p[i]));
        else
            anadeUtf8(s, Ansi::caracter(p[i]).unicode());
    }
}

// A Jet 4 text as UTF-8. It is stored as UTF-16LE, or, when it starts with
// FF FE, compressed: one byte per character (its code below 256), each zero
// byte switching between that and two bytes per character.
void desdeJet4(const unsigned char *p, size_t n, std::string &s)
{
    s.clear();
    char16_t alta = 0; // a high surrogate waiting for its pair
    const auto unidad = [&](char16_t u) {
        if (alta && QChar::isLowSurrogate(u)) {
            anadeUtf8(s, QChar::surrogateToUcs4(alta, u));
            alta = 0;
            return;
        }
        if (alta)
            anadeUtf8(s, 0xFFFD);
        alta = 0;
        if (QChar::isHighSurrogate(u))
            alta = u;
        else
            anadeUtf8(s, QChar::isLowSurrogate(u) ? char32_t(0xFFFD) : char32_t(u));
    };
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool comprimido = true;
        for (size_t i = 2; i < n;) {
            if (p[i] == 0) {
                comprimido = !comprimido;
                ++i;
            } else if (comprimido) {
                unidad(p[i]);
                ++i;
            } else if (i + 1 < n) {
                unidad(char16_t(p[i] | (p[i + 1] << 8)));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (size_t i = 0; i + 1 < n; i += 2)
            unidad(char16_t(p[i] | (p[i + 1] << 8)));
    }
    if (alta)
        anadeUtf8(s, 0xFFFD);
}

// A text libmdb converted, kept in s and freed.
void tomaTexto(char *texto, std::string &s)
{
    s.assign(texto);
    g_free(texto);
}

} // namespace

struct BaseAccess::Impl {
    // The file mapped in memory while it is open: libmdb reads its pages
    // from there instead of asking the system for each one (unless the
    // system cannot map it).
    QFile archivo;
    MdbHandle *mdb = nullptr;
    ~Impl()
    {
        if (mdb)
            mdb_close(mdb);
    }

    MdbCatalogEntry *entrada(const QString &tabla) const
    {
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (e->object_type == MDB_TABLE && mdb_is_user_table(e)
                && QString::fromUtf8(e->object_name).compare(tabla, Qt::CaseInsensitive) == 0)
                return e;
        }
        return nullptr;
    }
};

// A table definition with its columns, freed on every way out.
class TablaMdb
{
public:
    TablaMdb(MdbCatalogEntry *entrada, const QString &ruta, const QString &nombre)
    {
        if (!entrada)
            throw errorLectura(ruta, QStringLiteral("no tiene la tabla %1").arg(nombre));
        m_tabla = mdb_read_table(entrada);
        if (!m_tabla || !mdb_read_columns(m_tabla))
            throw errorLectura(ruta, QStringLiteral("no se pudo leer la definición de la tabla %1").arg(nombre));
    }
    ~TablaMdb()
    {
        if (m_tabla)
            mdb_free_tabledef(m_tabla);
    }
    MdbTableDef *operator->() const { return m_tabla; }
    MdbTableDef *get() const { return m_tabla; }
    MdbColumn *columna(unsigned i) const { return static_cast<MdbColumn *>(g_ptr_array_index(m_tabla->columns, i)); }

private:
    MdbTableDef *m_tabla = nullptr;
};

QString BaseAccess::Columna::tipoSql() const
{
    QString tipo;
    switch (this->tipo) {
    case Tipo::SiNo:
        tipo = QStringLiteral("BOOLEAN");
        break;
    case Tipo::Byte:
        tipo = QStringLiteral("TINYINT");
        break;
    case Tipo::Entero:
        tipo = QStringLiteral("SMALLINT");
        break;
    case Tipo::Largo:
        tipo = QStringLiteral("INTEGER");
        break;
    case Tipo::Moneda:
        tipo = QStringLiteral("CURRENCY");
        break;
    case Tipo::Simple:
        tipo = QStringLiteral("REAL");
        break;
    case Tipo::Doble:
        tipo = QStringLiteral("DOUBLE");
        break;
    case Tipo::Fecha:
        tipo = QStringLiteral("DATETIME");
        break;
    case Tipo::Texto:
        tipo = QStringLiteral("VARCHAR(%1)").arg(longitud);
        break;
    case Tipo::Memo:
        tipo = QStringLiteral("TEXT");
        break;
    case Tipo::Guid:
        tipo = QStringLiteral("VARCHAR(38)");
        break;
    case Tipo::Decimal:
        tipo = QStringLiteral("DECIMAL(%1,%2)").arg(precision).arg(escala);
        break;
    case Tipo::Binario:
    case Tipo::Ole:
    case Tipo::Otro:
        tipo = QStringLiteral("BLOB");
        break;
    }
    return requerida ? tipo + QStringLiteral(" NOT NULL") : tipo;
}

bool BaseAccess::esAccess(const QString &ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray cabecera = f.read(19);
    return cabecera.size() == 19 && cabecera.startsWith(QByteArray("\x00\x01\x00\x00", 4))
           && (cabecera.mid(4) == "Standard Jet DB" || cabecera.mid(4) == "Standard ACE DB");
}

BaseAccess::BaseAccess(const QString &ruta)
    : d(std::make_unique<Impl>())
    , m_ruta(ruta)
{
    const QFileInfo info(ruta);
    if (!info.exists())
        throw ErrorTendal(
            ErrorTendal::ArchivoNoEncontrado,
            QStringLiteral("No se encontró la base de datos Access %1").arg(QDir::toNativeSeparators(ruta)));
    if (!info.isFile() || !info.isReadable())
        throw errorLectura(ruta, QStringLiteral("el archivo no se puede leer"));
    if (!esAccess(ruta))
        throw errorLectura(ruta, QStringLiteral("el archivo no es una base de datos Access"));
    d->archivo.setFileName(ruta);
    uchar *mapa = d->archivo.open(QIODevice::ReadOnly) ? d->archivo.map(0, info.size()) : nullptr;
    d->mdb = mapa ? mdb_open_buffer(mapa, size_t(info.size()), MDB_NOFLAGS)
                  : mdb_open(QFile::encodeName(ruta).constData(), MDB_NOFLAGS);
    if (!d->mdb)
        throw errorLectura(ruta, QStringLiteral("el archivo no se pudo abrir"));
    // A Jet file is a whole number of pages; anything else was cut short.
    if (info.size() % d->mdb->fmt->pg_size != 0)
        throw errorLectura(ruta, QStringLiteral("el archivo está incompleto"));
    // libmdb allocates a buffer of its bind size for every text it converts
    // (the catalogue's properties included): the default, small size except
    // while a table with OLE objects is read (see recorre).
    if (!mdb_read_catalog(d->mdb, MDB_TABLE))
        throw errorLectura(ruta, QStringLiteral("no se pudo leer su catálogo de tablas"));
}

BaseAccess::~BaseAccess() = default;

int BaseAccess::versionJet() const
{
    return d->mdb->f->jet_version == MDB_VER_JET3 ? 3 : 3 + int(d->mdb->f->jet_version);
}

QStringList BaseAccess::tablas() const
{
    QStringList nombres;
    for (unsigned i = 0; i < d->mdb->num_catalog; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(d->mdb->catalog, i));
        if (e->object_type == MDB_TABLE && mdb_is_user_table(e))
            nombres << QString::fromUtf8(e->object_name);
    }
    return nombres;
}

QString BaseAccess::busca(const QString &tabla) const
{
    const MdbCatalogEntry *e = d->entrada(tabla);
    return e ? QString::fromUtf8(e->object_name) : QString();
}

QList<BaseAccess::Columna> BaseAccess::columnas(const QString &tabla) const
{
    TablaMdb t(d->entrada(tabla), m_ruta, tabla);
    QList<Columna> lista;
    for (unsigned i = 0; i < t->num_cols; ++i) {
        const MdbColumn *c = t.columna(i);
        Columna col;
        col.nombre = QString::fromUtf8(c->name);
        col.tipo = tipoDe(c->col_type);
        if (col.tipo == Tipo::Texto)
            col.longitud = versionJet() == 3 ? c->col_size : c->col_size / 2;
        const char *requerida = mdb_col_get_prop(c, "Required");
        col.requerida = requerida && qstrcmp(requerida, "yes") == 0;
        col.precision = c->col_prec;
        col.escala = c->col_scale;
        lista << col;
    }
    return lista;
}

qint64 BaseAccess::filas(const QString &tabla) const
{
    TablaMdb t(d->entrada(tabla), m_ruta, tabla);
    return qint64(t->num_rows);
}

qint64 BaseAccess::recorre(const QString &tabla, const std::function<void(std::span<const Valor>)> &fila) const
{
    MdbHandle *mdb = d->mdb;
    TablaMdb t(d->entrada(tabla), m_ruta, tabla);
    const unsigned n = t->num_cols;
    if (n > MDB_MAX_COLS)
        throw errorLectura(m_ruta, QStringLiteral("la tabla %1 tiene demasiadas columnas").arg(tabla));

    // OLE objects are read through the column's bound buffer (left
    // uninitialised: only the pages written to are ever touched).
    std::vector<std::unique_ptr<char[]>> buffers(n);
    std::vector<int> longitudes(n, 0);
    std::vector<Tipo> tipos(n);
    size_t enRecorrido = kTamanoComun;
    for (unsigned i = 0; i < n; ++i) {
        tipos[i] = tipoDe(t.columna(i)->col_type);
        if (tipos[i] == Tipo::Ole) {
            enRecorrido = kTamanoTexto;
            buffers[i].reset(new char[kTamanoTexto]);
            mdb_bind_column(t.get(), int(i + 1), buffers[i].get(), &longitudes[i]);
        }
    }
    // Inline text is converted here when its encoding is known (Jet 4's
    // UTF-16, Jet 3 in Windows-1252); otherwise, and memos, by libmdb.
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    const bool textoPropio = !jet3 || mdb->f->code_page == 1252;

    mdb_set_bind_size(mdb, enRecorrido);
    struct Restaura {
        MdbHandle *mdb;
        ~Restaura() { mdb_set_bind_size(mdb, kTamanoComun); }
    } restaura {mdb};
    mdb_rewind_table(t.get());
    qint64 filas = 0;
    // One value and one buffer per column, reused from row to row.
    std::vector<Valor> valores(n);
    std::vector<std::string> textos(n);
    MdbField campos[MDB_MAX_COLS];
    while (mdb_fetch_row(t.get())) {
        // A damaged file may lead the scan past the rows the table holds.
        if (filas >= qint64(t->num_rows))
            throw errorLectura(m_ruta, QStringLiteral("la tabla %1 está dañada").arg(tabla));
        int inicio = 0;
        size_t tam = 0;
        if (mdb_find_row(mdb, int(t->cur_row) - 1, &inicio, &tam) != 0)
            throw errorLectura(m_ruta, QStringLiteral("una fila de la tabla %1 está dañada").arg(tabla));
        inicio &= kMascaraDesplazamiento;
        if (mdb_crack_row(t.get(), inicio, tam, campos) < 0)
            throw errorLectura(m_ruta, QStringLiteral("una fila de la tabla %1 está dañada").arg(tabla));

        for (unsigned i = 0; i < n; ++i) {
            const MdbField &f = campos[i];
            MdbColumn *col = t.columna(unsigned(f.colnum));
            const Tipo tipo = tipos[unsigned(f.colnum)];
            Valor &v = valores[i];
            std::string &texto = textos[i];
            v.clase = claseDe(tipo);
            v.nulo = false;
            if (tipo == Tipo::SiNo) {
                // A yes/no column keeps its value in the null bit.
                v.entero = f.is_null ? 0 : -1;
                continue;
            }
            if (f.is_null) {
                v.nulo = true;
                continue;
            }
            const unsigned char *p = mdb->pg_buf + f.start;
            bool enTexto = true; // the value is the column's buffer
            switch (tipo) {
            case Tipo::Byte:
                v.entero = p[0];
                enTexto = false;
                break;
            case Tipo::Entero:
                v.entero = qFromLittleEndian<qint16>(p);
                enTexto = false;
                break;
            case Tipo::Largo:
                v.entero = qFromLittleEndian<qint32>(p);
                enTexto = false;
                break;
            case Tipo::Moneda:
                v.real = double(qFromLittleEndian<qint64>(p)) / 10000.0;
                enTexto = false;
                break;
            case Tipo::Simple:
                v.real = double(qFromLittleEndian<float>(p));
                enTexto = false;
                break;
            case Tipo::Doble:
                v.real = qFromLittleEndian<double>(p);
                enTexto = false;
                break;
            case Tipo::Fecha:
                textoFecha(qFromLittleEndian<double>(p), texto);
                break;
            case Tipo::Binario:
                texto.assign(reinterpret_cast<const char *>(p), size_t(f.siz));
                break;
            case Tipo::Guid:
                tomaTexto(mdb_uuid_to_string(mdb->pg_buf, f.start), texto);
                break;
            case Tipo::Decimal:
                tomaTexto(mdb_numeric_to_string(mdb, f.start, col->col_scale, col->col_prec), texto);
                break;
            case Tipo::Texto:
                if (textoPropio) {
                    if (jet3)
                        desdeAnsi(p, size_t(f.siz), texto);
                    else
                        desdeJet4(p, size_t(f.siz), texto);
                    break;
                }
                [[fallthrough]];
            case Tipo::Memo: {
                if (f.siz == 0) {
                    texto.clear();
                    break;
                }
                // libmdb converts into a fresh buffer of its bind size: as
                // large as the text can become in UTF-8 (three bytes for
                // each stored byte at most), not the 4 MB a memo may reach.
                const size_t guardado
                    = tipo == Tipo::Memo && f.siz >= 4 ? (qFromLittleEndian<quint32>(p) & 0x3fffffffU) : size_t(f.siz);
                const size_t medida = std::min(kTamanoTexto, 3 * guardado + 16);
                mdb_set_bind_size(mdb, medida);
                char *convertido = mdb_col_to_string(mdb, mdb->pg_buf, f.start, col->col_type, f.siz);
                mdb_set_bind_size(mdb, enRecorrido);
                if (!convertido)
                    throw errorLectura(m_ruta, QStringLiteral("un texto de la tabla %1 está dañado").arg(tabla));
                tomaTexto(convertido, texto);
                if (medida == kTamanoTexto && texto.size() + 8 >= kTamanoTexto)
                    throw errorLectura(m_ruta,
                                       QStringLiteral("un texto de la columna %1 de la tabla %2 es demasiado largo")
                                           .arg(QString::fromUtf8(col->name), tabla));
                break;
            }
            case Tipo::Ole: {
                size_t tamano = 0;
                void *datos = mdb_ole_read_full(mdb, col, &tamano);
                texto.assign(static_cast<const char *>(datos), datos ? tamano : 0);
                free(datos);
                break;
            }
            default:
                v.nulo = true;
                enTexto = false;
                break;
            }
            if (enTexto)
                v.datos = QByteArrayView(texto.data(), qsizetype(texto.size()));
        }
        fila(valores);
        ++filas;
    }
    if (filas != qint64(t->num_rows))
        throw errorLectura(m_ruta, QStringLiteral("la tabla %1 no se pudo leer completa (%2 de %3 filas)")
                                       .arg(tabla)
                                       .arg(filas)
                                       .arg(t->num_rows));
    return filas;
}
