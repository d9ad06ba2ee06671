#pragma once

#include <QCoro/QCoroTask>
#include <QString>

class Programa;

// The password recovery request of the configuration window ("Recuperar
// Contraseña"): a one-line file PASS + patente "0000" + ".TXT" naming the
// patente and the payment password, uploaded to the update folder with the
// update account on eftpPrincipal. The file holds the password in clear:
// it is written readable by its owner only and is deleted after the upload
// attempt, whatever its outcome.
class SolicitaPassword
{
public:
    explicit SolicitaPassword(Programa &programa);

    // A request made while another is under way does nothing.
    QCoro::Task<> Solicita_Password();
    // The same started from a window: it runs on by itself, and whatever
    // ends it is told to the person.
    void inicia();
    bool enCurso() const { return m_enCurso; }

    static QString nombreArchivo(qint16 patente);
    static QString linea(qint16 patente, const QString &clavePago);

private:
    QCoro::Task<> solicita();

    Programa &m_programa;
    bool m_enCurso = false;
};
