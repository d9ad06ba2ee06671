#pragma once

#include <QObject>
#include <QString>
#include <array>

class RsParametros;

// The configuration fields: the live copy of the settings that the
// configuration window shows and edits (fields 0 to 12, the connection-type
// list and the proxy check box, and which of them are visible). The rest of
// the program reads the folders, the address fallback and the patente from
// here, not from the record. The window mirrors this object.
class CamposConfiguracion : public QObject
{
    Q_OBJECT
public:
    // The fields by number, named after the column each one shows. Field 2
    // shows the address column of the connection type (Host_Ras,
    // Host_Internet or Host).
    enum Campo {
        Patente = 0,
        Agente = 1,
        Servidor = 2,
        telefono = 3,
        ip_proxy = 4,
        val_env = 5,
        val_rec = 6,
        tra_env = 7,
        tra_rec = 8,
        pag_env = 9,
        pag_rec = 10,
        sag_env = 11,
        sag_rec = 12,
    };
    static constexpr int kCampos = sag_rec + 1;
    // The first and last folder field.
    static constexpr int kPrimeraCarpeta = val_env;
    static constexpr int kUltimaCarpeta = sag_rec;

    explicit CamposConfiguracion(QObject *parent = nullptr);

    QString texto(int campo) const { return m_textos.at(campo); }
    void ponTexto(int campo, const QString &texto);

    // Position of the connection-type list: 0 "MODEM", 1 "INTERNET",
    // 2 "RADIO MODEM", -1 none selected.
    int posicion() const { return m_posicion; }
    bool proxy() const { return m_proxy; }
    bool telefonoVisible() const { return m_telefonoVisible; }
    bool proxyVisible() const { return m_proxyVisible; } // the check box
    bool ipProxyVisible() const { return m_ipProxyVisible; } // field 4
    // The minutes a file sent may wait for its responses before it is
    // flagged as late (espera_respuesta, 1 to 1440).
    int espera() const { return m_espera; }
    void ponEspera(int minutos);
    static constexpr int kEsperaMinima = 1;
    static constexpr int kEsperaMaxima = 1440;

    // Fills every field from the record.
    void Imprime_Datos(const RsParametros &rs);
    // The connection-type rule: a new list position (field 2 refilled from
    // the stored record).
    void eligeTipo(int posicion, const RsParametros &rs);
    // The proxy rule: a click on the check box.
    void marcaProxy(bool marcado);

    // The encryption of the sessions with the organisation's server (column
    // cifrado: 0 none, 1 TLS when the server offers it, 2 TLS required) and
    // the file of trusted certificates (column certificado; empty: the
    // system's).
    int cifrado() const { return m_cifrado; }
    void eligeCifrado(int modo);
    const QString &certificado() const { return m_certificado; }
    void ponCertificado(const QString &archivo);
    static constexpr int kModosCifrado = 3;
    static QString textoCifrado(int modo);

    static QString textoTipo(int posicion);
    // The address column of a connection type (Host_Ras, Host_Internet,
    // Host), or an empty text for any other position.
    static QString columnaDireccion(int posicion);
    // The folder column shown in a folder field (val_env ... sag_rec).
    static QString columnaCarpeta(int campo);

signals:
    void cambiado();

private:
    std::array<QString, kCampos> m_textos;
    int m_posicion = -1;
    bool m_proxy = false;
    bool m_telefonoVisible = false;
    bool m_proxyVisible = false;
    bool m_ipProxyVisible = false;
    int m_cifrado = 0;
    QString m_certificado;
    int m_espera = 30;
};
