#pragma once

#include <QException>
#include <QString>

// A failure that travels up to the caller's handler with a number and a
// description, as the procedures of the system report their errors. It derives
// from QException so that it crosses QtConcurrent workers unchanged.
class ErrorTendal : public QException
{
public:
    ErrorTendal(int numero, QString descripcion);

    int numero() const { return m_numero; }
    const QString &descripcion() const { return m_descripcion; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    void raise() const override { throw *this; }
    ErrorTendal *clone() const override { return new ErrorTendal(*this); }

    // Numbers of the FTP layer that the callers tell apart.
    static constexpr int FtpTerminado = 1000;
    static constexpr int FtpSinComunicacion = 1002;
    static constexpr int FtpTransferencia = 1003;
    static constexpr int FtpUsuario = 1013;
    static constexpr int FtpClave = 1014;
    static constexpr int FtpLogin = 1015;
    static constexpr int FtpSinConexion = 1029;

    // Run-time errors of files and conversions.
    static constexpr int ArgumentoNoValido = 5;
    static constexpr int Desbordamiento = 6;
    static constexpr int TiposNoCoinciden = 13;
    static constexpr int ArchivoNoEncontrado = 53;
    static constexpr int DiscoLleno = 61;
    static constexpr int DispositivoNoDisponible = 68;
    static constexpr int PermisoDenegado = 70;
    static constexpr int AccesoRutaArchivo = 75;
    static constexpr int RutaNoEncontrada = 76;

    // Database errors: a table that does not exist, and any other failure.
    static constexpr int TablaNoEncontrada = -2147217865;
    static constexpr int BaseDeDatos = -2147467259;
    // The database server does not answer (its connection was lost and
    // cannot be opened again yet).
    static constexpr int BaseDeDatosSinConexion = -2146824579;

    // The error with its usual description.
    static ErrorTendal conNumero(int numero, const QString &detalle = QString());

private:
    int m_numero;
    QString m_descripcion;
    QByteArray m_utf8;
};
