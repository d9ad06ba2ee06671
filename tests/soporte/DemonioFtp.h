#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class Oficina;

// A production FTP daemon for one test: Debian's vsftpd, proftpd or
// pure-ftpd (unpacked by scripts/setup into /usr/local/lib/tendal-ftpd),
// started as a process of its own on a free loopback port, with its
// configuration, its accounts and the server's "/" in a temporary folder of
// its own. The "/" holds the organisation's folders; the accounts are ag0123
// ("secreto") and actualizador ("vermio"). The daemon and every session
// process it forked stop with the object.
//
//   OMITE_SI_FALTA(DemonioFtp::noDisponible(tipo));      // tests/soporte/Omision.h
//   DemonioFtp demonio(tipo);
//   demonio.apunta(oficina);                          // before oficina.carga()
//   demonio.escribe(u"/ag0123/k0123001.045"_s, "...");
//
// The three need root for their chroot (the server's "/"); elsewhere
// noDisponible() says so and the test is skipped. Explicit TLS (Ajustes::
// certificado) works on the three: proftpd through its module mod_tls
// (proftpd-mod-crypto, unpacked beside it).
class DemonioFtp
{
public:
    enum class Tipo { Vsftpd, Proftpd, PureFtpd };

    // What a production server does differently from its default.
    struct Ajustes {
        int limiteListado = 0; // pure-ftpd: at most so many names in a listing
        QString ocultos; // vsftpd: hide_file pattern ("{*.err}")
        bool sinPasivo = false; // PASV and EPSV refused
        int sesionesPorIp = 0; // vsftpd: max_per_ip
        int inactividad = 0; // idle time-out of a session, s (0: the daemon's own)
        QString certificado; // explicit TLS with this PEM file (certificate and key)
        bool exigeTls = false; // with certificado: no login in the clear
    };

    static QString nombre(Tipo tipo);
    // Why the daemon cannot run here, or an empty text when it can.
    static QString noDisponible(Tipo tipo);

    explicit DemonioFtp(Tipo tipo);
    DemonioFtp(Tipo tipo, const Ajustes &ajustes);
    ~DemonioFtp();
    DemonioFtp(const DemonioFtp &) = delete;
    DemonioFtp &operator=(const DemonioFtp &) = delete;

    quint16 puerto() const { return m_puerto; }
    QString direccion() const; // "127.0.0.1:PORT"
    QString raiz() const { return m_raiz; }
    QString ruta(const QString &rutaServidor) const;

    // Files on the server, through its folder, owned by the accounts' user.
    void escribe(const QString &rutaServidor, const QByteArray &contenido) const;
    QByteArray lee(const QString &rutaServidor) const;
    bool existe(const QString &rutaServidor) const;

    // Points the office at this daemon (Host_Internet with tipo_acceso 1, no
    // proxy). Call it before oficina.carga().
    void apunta(Oficina &oficina) const;

private:
    void configura(const Ajustes &ajustes);
    void espera();
    void detiene();
    void duenoDe(const QString &ruta) const;

    Tipo m_tipo;
    QTemporaryDir m_dir;
    QString m_raiz;
    QProcess m_proceso;
    quint16 m_puerto = 0;
    uint m_uid = 0;
    uint m_gid = 0;
};
