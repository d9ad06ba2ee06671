#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class Oficina;

// A real FTP server for one test: tests/soporte/servidor_ftp.py (pyftpdlib)
// on 127.0.0.1 with the port it got, its "/" in a temporary folder of its own
// (or a given one) holding the organisation's folders, the accounts ag0123
// ("secreto") and actualizador ("vermio") unless told otherwise, and fault
// switches that act on the next connection or transfer. The server stops
// with the object (and by itself if the test process dies).
//
//   ServidorFtp servidor;
//   servidor.apunta(oficina);                 // before oficina.carga()
//   servidor.escribe(u"/update/InfoYEX.txt"_s, "08/12/2006|10:30|5|");
//   servidor.cortaTras(1000);                 // the next transfers drop
class ServidorFtp
{
public:
    using Cuentas = QList<QPair<QString, QString>>; // user, password

    // Starts the server; a server that cannot start stops the test program
    // with the reason.
    explicit ServidorFtp(const QString &raiz = QString(), const Cuentas &cuentas = {});
    ~ServidorFtp();
    ServidorFtp(const ServidorFtp &) = delete;
    ServidorFtp &operator=(const ServidorFtp &) = delete;

    quint16 puerto() const { return m_puerto; }
    QString direccion() const; // "127.0.0.1:PORT"
    QString raiz() const { return m_raiz; }
    // Local path of a server path ("/ag0123/M0123001.045").
    QString ruta(const QString &rutaServidor) const;

    // Files on the server, through its folder.
    void escribe(const QString &rutaServidor, const QByteArray &contenido) const;
    QByteArray lee(const QString &rutaServidor) const;
    bool existe(const QString &rutaServidor) const;

    // Points the office at this server (Host_Internet with tipo_acceso 1, no
    // proxy). Call it before oficina.carga().
    void apunta(Oficina &oficina) const;

    // Fault switches.
    void rechazaLogin(bool si = true); // 530 to USER
    void ocupado(bool si = true); // 421 instead of the greeting
    void detieneSaludo(bool si = true); // accepts connections, never answers
    void detieneDatos(bool si = true); // data connections never move a byte
    void cortaTras(qint64 bytes); // data connections drop after so many bytes (0: off)
    void lento(qint64 bytesPorSegundo); // data speed limit (0: full speed)
    void rechazaEnvios(int codigo = 550); // uploads refused with that reply (0: off)
    void rechazaListados(int codigo = 550); // NLST refused with that reply (0: off)
    void rechazaHoras(int codigo = 502); // MDTM refused with that reply (0: off)
    void restablece(); // every switch off

    // User names that logged in so far, in order (as the server saw them).
    QStringList usuarios();
    // Every upload, download and name listing asked for so far, in order:
    // "STOR /ag0123/M…", "RETR /ag0123/k…", "NLST /ag0123" (the server's paths).
    QStringList transferencias();
    // Every upload the server closed, in order: "/ag0123/M… SIZE", the size
    // of the file when it closed (short for a client that died mid-way).
    QStringList recibidos();
    // Connections accepted while detieneSaludo() held them without a greeting.
    int conexionesMudas();

private:
    QString orden(const QString &texto);
    QString leeLinea();

    std::unique_ptr<QTemporaryDir> m_dirPropio;
    QString m_raiz;
    QProcess m_proceso;
    quint16 m_puerto = 0;
};
