#include "core/ftp/BibliotecaCurl.h"

#include <QStringList>

#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <cstdarg>

#include <dlfcn.h>

// The shared library by its ABI name (the package libcurl4 provides it).
#define TENDAL_BIBLIOTECA_CURL "libcurl.so.4"

namespace {

// The functions of the loaded library; all null when it did not load.
struct Funciones {
    QString problema;
    CURLcode (*global_init)(long) = nullptr;
    CURL *(*easy_init)() = nullptr;
    CURLcode (*easy_setopt)(CURL *, CURLoption, ...) = nullptr;
    CURLcode (*easy_getinfo)(CURL *, CURLINFO, ...) = nullptr;
    void (*easy_cleanup)(CURL *) = nullptr;
    const char *(*easy_strerror)(CURLcode) = nullptr;
    CURLM *(*multi_init)() = nullptr;
    CURLMcode (*multi_add_handle)(CURLM *, CURL *) = nullptr;
    CURLMcode (*multi_remove_handle)(CURLM *, CURL *) = nullptr;
    CURLMcode (*multi_perform)(CURLM *, int *) = nullptr;
    CURLMcode (*multi_poll)(CURLM *, curl_waitfd[], unsigned int, int, int *) = nullptr;
    CURLMcode (*multi_fdset)(CURLM *, fd_set *, fd_set *, fd_set *, int *) = nullptr;
    CURLMsg *(*multi_info_read)(CURLM *, int *) = nullptr;
    CURLMcode (*multi_cleanup)(CURLM *) = nullptr;
    curl_slist *(*slist_append)(curl_slist *, const char *) = nullptr;
    void (*slist_free_all)(curl_slist *) = nullptr;
};

Funciones carga()
{
    Funciones f;
    // Kept loaded until the program ends: libcurl and OpenSSL keep state
    // for the whole process.
    void *biblioteca = dlopen(TENDAL_BIBLIOTECA_CURL, RTLD_NOW | RTLD_LOCAL);
    if (!biblioteca) {
        f.problema = QStringLiteral("No se pudo cargar la biblioteca de FTP %1 (%2): instala el paquete libcurl4")
                         .arg(QStringLiteral(TENDAL_BIBLIOTECA_CURL), QString::fromLocal8Bit(dlerror()));
        return f;
    }
    QStringList faltan;
    const auto busca = [&](auto &funcion, const char *nombre) {
        funcion = reinterpret_cast<std::remove_reference_t<decltype(funcion)>>(dlsym(biblioteca, nombre));
        if (!funcion)
            faltan << QString::fromLatin1(nombre);
    };
    busca(f.global_init, "curl_global_init");
    busca(f.easy_init, "curl_easy_init");
    busca(f.easy_setopt, "curl_easy_setopt");
    busca(f.easy_getinfo, "curl_easy_getinfo");
    busca(f.easy_cleanup, "curl_easy_cleanup");
    busca(f.easy_strerror, "curl_easy_strerror");
    busca(f.multi_init, "curl_multi_init");
    busca(f.multi_add_handle, "curl_multi_add_handle");
    busca(f.multi_remove_handle, "curl_multi_remove_handle");
    busca(f.multi_perform, "curl_multi_perform");
    busca(f.multi_poll, "curl_multi_poll");
    busca(f.multi_fdset, "curl_multi_fdset");
    busca(f.multi_info_read, "curl_multi_info_read");
    busca(f.multi_cleanup, "curl_multi_cleanup");
    busca(f.slist_append, "curl_slist_append");
    busca(f.slist_free_all, "curl_slist_free_all");
    if (!faltan.isEmpty()) {
        const QString problema = QStringLiteral("La biblioteca de FTP %1 es demasiado antigua: le falta %2")
                                     .arg(QStringLiteral(TENDAL_BIBLIOTECA_CURL), faltan.join(QStringLiteral(", ")));
        f = Funciones {};
        f.problema = problema;
    }
    return f;
}

const Funciones &funciones()
{
    static const Funciones f = carga();
    return f;
}

} // namespace

QString BibliotecaCurl::problema()
{
    return funciones().problema;
}

// libcurl's functions, as the program calls them. Hidden: the program
// offers them to no other library. Without the library each one fails as
// libcurl fails when it cannot start (ClienteFtp asks problema() first and
// reports why).
#define OCULTA __attribute__((visibility("hidden")))

extern "C" {

OCULTA CURLcode curl_global_init(long flags)
{
    const auto &f = funciones();
    return f.global_init ? f.global_init(flags) : CURLE_FAILED_INIT;
}

OCULTA CURL *curl_easy_init()
{
    const auto &f = funciones();
    return f.easy_init ? f.easy_init() : nullptr;
}

// The value's type follows from the option's number, as in libcurl.
OCULTA CURLcode curl_easy_setopt(CURL *curl, CURLoption opcion, ...)
{
    const auto &f = funciones();
    if (!f.easy_setopt)
        return CURLE_FAILED_INIT;
    va_list valor;
    va_start(valor, opcion);
    CURLcode r = CURLE_OK;
    if (opcion < CURLOPTTYPE_OBJECTPOINT)
        r = f.easy_setopt(curl, opcion, va_arg(valor, long));
    else if (opcion >= CURLOPTTYPE_OFF_T && opcion < CURLOPTTYPE_BLOB)
        r = f.easy_setopt(curl, opcion, va_arg(valor, curl_off_t));
    else
        r = f.easy_setopt(curl, opcion, va_arg(valor, void *)); // objects, functions, blobs
    va_end(valor);
    return r;
}

OCULTA CURLcode curl_easy_getinfo(CURL *curl, CURLINFO dato, ...)
{
    const auto &f = funciones();
    if (!f.easy_getinfo)
        return CURLE_FAILED_INIT;
    va_list destino;
    va_start(destino, dato);
    const CURLcode r = f.easy_getinfo(curl, dato, va_arg(destino, void *));
    va_end(destino);
    return r;
}

OCULTA void curl_easy_cleanup(CURL *curl)
{
    if (const auto &f = funciones(); f.easy_cleanup)
        f.easy_cleanup(curl);
}

OCULTA const char *curl_easy_strerror(CURLcode codigo)
{
    const auto &f = funciones();
    return f.easy_strerror ? f.easy_strerror(codigo) : "libcurl no disponible";
}

OCULTA CURLM *curl_multi_init()
{
    const auto &f = funciones();
    return f.multi_init ? f.multi_init() : nullptr;
}

OCULTA CURLMcode curl_multi_add_handle(CURLM *multi, CURL *curl)
{
    const auto &f = funciones();
    return f.multi_add_handle ? f.multi_add_handle(multi, curl) : CURLM_INTERNAL_ERROR;
}

OCULTA CURLMcode curl_multi_remove_handle(CURLM *multi, CURL *curl)
{
    const auto &f = funciones();
    return f.multi_remove_handle ? f.multi_remove_handle(multi, curl) : CURLM_INTERNAL_ERROR;
}

OCULTA CURLMcode curl_multi_perform(CURLM *multi, int *activas)
{
    const auto &f = funciones();
    return f.multi_perform ? f.multi_perform(multi, activas) : CURLM_INTERNAL_ERROR;
}

OCULTA CURLMcode curl_multi_poll(CURLM *multi, curl_waitfd extra[], unsigned int cuantos, int espera, int *listos)
{
    const auto &f = funciones();
    return f.multi_poll ? f.multi_poll(multi, extra, cuantos, espera, listos) : CURLM_INTERNAL_ERROR;
}

OCULTA CURLMcode curl_multi_fdset(CURLM *multi, fd_set *lectura, fd_set *escritura, fd_set *error, int *mayor)
{
    const auto &f = funciones();
    return f.multi_fdset ? f.multi_fdset(multi, lectura, escritura, error, mayor) : CURLM_INTERNAL_ERROR;
}

OCULTA CURLMsg *curl_multi_info_read(CURLM *multi, int *quedan)
{
    const auto &f = funciones();
    return f.multi_info_read ? f.multi_info_read(multi, quedan) : nullptr;
}

OCULTA CURLMcode curl_multi_cleanup(CURLM *multi)
{
    const auto &f = funciones();
    return f.multi_cleanup ? f.multi_cleanup(multi) : CURLM_INTERNAL_ERROR;
}

OCULTA curl_slist *curl_slist_append(curl_slist *lista, const char *texto)
{
    const auto &f = funciones();
    return f.slist_append ? f.slist_append(lista, texto) : nullptr;
}

OCULTA void curl_slist_free_all(curl_slist *lista)
{
    if (const auto &f = funciones(); f.slist_free_all)
        f.slist_free_all(lista);
}

} // extern "C"
