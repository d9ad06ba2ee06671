#pragma once

#include <QByteArray>
#include <QIODevice>

#include <cerrno>

// A device that takes its first `capacidad` bytes and then refuses every
// write with the errno a full disk (ENOSPC), a full quota (EDQUOT) or any
// other failure of the system gives, as a file on a small disk does: a write
// that crosses the limit takes the part that fits and returns its count, the
// next one fails.
class DispositivoLleno : public QIODevice
{
public:
    DispositivoLleno(qint64 capacidad, int error)
        : m_capacidad(capacidad)
        , m_error(error)
    {
    }
    const QByteArray &escrito() const { return m_escrito; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *datos, qint64 largo) override
    {
        const qint64 cabe = qMin(largo, m_capacidad - m_escrito.size());
        if (cabe <= 0) {
            errno = m_error;
            return -1;
        }
        m_escrito.append(datos, cabe);
        return cabe;
    }

private:
    qint64 m_capacidad;
    int m_error;
    QByteArray m_escrito;
};
