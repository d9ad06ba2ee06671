#pragma once

#include <QString>

// libcurl, loaded the first time an FTP session needs it rather than when
// the program starts: a command that talks to no server (tendal --version,
// historial, acuse, reporte) does not pay for libcurl and the thirty
// libraries it brings (TLS, SSH, LDAP, Kerberos...). The libcurl functions
// that ClienteFtp calls are defined in BibliotecaCurl.cpp with the
// library's own names and forward to the loaded library, so the FTP code
// reads as plain libcurl.
class BibliotecaCurl
{
public:
    // Loads libcurl (once for the whole program). Why it cannot be used (it
    // is not installed, or it lacks a function the program needs), or an
    // empty text.
    static QString problema();
};
