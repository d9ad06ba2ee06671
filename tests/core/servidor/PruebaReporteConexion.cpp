#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"
#include "tests/soporte/Oficina.h"
#include "core/servidor/ReporteConexion.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using ReporteConexion::Llamador;
using ReporteConexion::Siguiente;

Q_DECLARE_METATYPE(Llamador)
Q_DECLARE_METATYPE(Siguiente)
Q_DECLARE_METATYPE(Dialogos::Icono)

// The connection-failure report of every FTP caller: message text, icon,
// title, and what the caller does next.
class PruebaReporteConexion : public QObject
{
    Q_OBJECT

    std::unique_ptr<Oficina> oficina;

    static QString sinConexion(const char16_t *pista)
    {
        return u"No hay conexión al servidor de VORDELAN\r\n\r\n"_s + QString::fromUtf16(pista)
               + u" o tu Contraseña de Acceso"_s;
    }

private slots:
    void initTestCase()
    {
        oficina = std::make_unique<Oficina>();
        oficina->carga();
    }

    void reporta_data()
    {
        QTest::addColumn<Llamador>("llamador");
        QTest::addColumn<int>("numero");
        QTest::addColumn<bool>("boton");
        QTest::addColumn<QVariant>("tipoAcceso");
        QTest::addColumn<QString>("texto"); // empty: no message
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<Dialogos::Icono>("icono");
        QTest::addColumn<Siguiente>("siguiente");

        const QString producto = Dialogos::nombreProducto();
        const QString programa = QStringLiteral("Tendal v" TENDAL_VERSION_PROYECTO);
        const auto critico = Dialogos::Icono::Critico;
        const auto ninguno = Dialogos::Icono::Ninguno;
        const QString telefono = sinConexion(u"Revisa tu Tendal Telefónico");
        const QString red = sinConexion(u"Revisa tu Conexión de Red");
        const auto generico = [](int n) {
            return u"Error No. %1\r\nDescripcion: la descripción"_s.arg(n);
        };
        const QString catalogo1000
            = u"Error Número: 1000\r\nDescripción: la descripción\r\nProceso: Actualización del catálogo de errores"_s;
        const QString catalogo550
            = u"Error Número: 550\r\nDescripción: la descripción\r\nProceso: Actualización del catálogo de errores"_s;
        const QVariant uno(1), cero(0), dos(2), nulo;
        const auto T = Siguiente::Termina;
        const auto C = Siguiente::Continua;
        const auto Q = Siguiente::TerminaSinDesconectar;

        QTest::newRow("envío 1000") << Llamador::Envio << 1000 << false << uno << QString() << QString() << ninguno
                                    << T;
        QTest::newRow("envío 1003") << Llamador::Envio << 1003 << false << uno << QString() << QString() << ninguno
                                    << C;
        QTest::newRow("envío 1013") << Llamador::Envio << 1013 << false << uno << u"Usuario o Contraseña no aceptado"_s
                                    << producto << critico << T;
        QTest::newRow("envío 1015") << Llamador::Envio << 1015 << false << uno << u"Usuario o Contraseña no aceptado"_s
                                    << producto << critico << T;
        QTest::newRow("envío 1029 teléfono")
            << Llamador::Envio << 1029 << false << cero << telefono << producto << critico << T;
        QTest::newRow("envío 1029 red") << Llamador::Envio << 1029 << false << dos << red << producto << critico << T;
        QTest::newRow("envío 1029 sin tipo")
            << Llamador::Envio << 1029 << false << nulo << red << producto << critico << T;
        QTest::newRow("envío 1002") << Llamador::Envio << 1002 << false << uno << generico(1002) << producto << critico
                                    << T;
        QTest::newRow("envío 550") << Llamador::Envio << 550 << false << uno << generico(550) << producto << critico
                                   << T;

        QTest::newRow("recepción 1000") << Llamador::Recepcion << 1000 << false << uno << QString() << QString()
                                        << ninguno << T;
        QTest::newRow("recepción 1003") << Llamador::Recepcion << 1003 << false << uno << QString() << QString()
                                        << ninguno << C;
        QTest::newRow("recepción 1014") << Llamador::Recepcion << 1014 << false << uno
                                        << u"Usuario o Contraseña no válido"_s << producto << critico << Q;
        QTest::newRow("recepción 1029") << Llamador::Recepcion << 1029 << false << cero << telefono << producto
                                        << critico << Q;
        QTest::newRow("recepción otro") << Llamador::Recepcion << 10028 << false << uno << generico(10028) << producto
                                        << critico << Q;

        QTest::newRow("boletín 1000") << Llamador::Boletin << 1000 << false << uno << generico(1000) << producto
                                      << critico << T;
        QTest::newRow("boletín 1003") << Llamador::Boletin << 1003 << true << uno << QString() << QString() << ninguno
                                      << T;
        QTest::newRow("boletín 1013 botón") << Llamador::Boletin << 1013 << true << uno
                                            << u"El Usuario o Contraseña no aceptado"_s << producto << critico << T;
        QTest::newRow("boletín 1015 sin botón")
            << Llamador::Boletin << 1015 << false << uno << QString() << QString() << ninguno << Q;
        QTest::newRow("boletín 1014 botón")
            << Llamador::Boletin << 1014 << true << uno << red << producto << critico << T;
        QTest::newRow("boletín 1014 sin botón")
            << Llamador::Boletin << 1014 << false << uno << QString() << QString() << ninguno << Q;
        QTest::newRow("boletín 1029 botón")
            << Llamador::Boletin << 1029 << true << cero << telefono << producto << critico << T;
        QTest::newRow("boletín 1029 sin botón")
            << Llamador::Boletin << 1029 << false << cero << QString() << QString() << ninguno << Q;
        QTest::newRow("boletín otro sin botón")
            << Llamador::Boletin << 13 << false << uno << generico(13) << producto << critico << T;

        QTest::newRow("solicitud 1000") << Llamador::SolicitudClave << 1000 << false << uno << generico(1000)
                                        << producto << critico << T;
        QTest::newRow("solicitud 1003") << Llamador::SolicitudClave << 1003 << false << uno << QString() << QString()
                                        << ninguno << T;
        QTest::newRow("solicitud 1014") << Llamador::SolicitudClave << 1014 << false << uno
                                        << u"El Usuario o Contraseña no aceptado"_s << producto << critico << T;
        QTest::newRow("solicitud 1029") << Llamador::SolicitudClave << 1029 << false << uno << red << producto
                                        << critico << T;
        QTest::newRow("solicitud otro") << Llamador::SolicitudClave << 75 << false << uno << generico(75) << producto
                                        << critico << T;

        QTest::newRow("cambio 1003") << Llamador::CambioClave << 1003 << false << uno << generico(1003) << producto
                                     << critico << T;
        QTest::newRow("cambio 1000") << Llamador::CambioClave << 1000 << false << uno << generico(1000) << producto
                                     << critico << T;
        QTest::newRow("cambio 1015") << Llamador::CambioClave << 1015 << false << uno
                                     << u"Usuario o Contraseña no aceptado"_s << producto << critico << T;
        QTest::newRow("cambio 550") << Llamador::CambioClave << 550 << false << uno << generico(550) << producto
                                    << critico << T;

        QTest::newRow("catálogo 1000") << Llamador::ActualizacionCatalogo << 1000 << false << uno << catalogo1000
                                       << programa << ninguno << T;
        QTest::newRow("catálogo 1002") << Llamador::ActualizacionCatalogo << 1002 << false << uno
                                       << u"No hay comunicación al servidor de validación"_s << programa << ninguno
                                       << T;
        QTest::newRow("catálogo 1003") << Llamador::ActualizacionCatalogo << 1003 << false << uno << QString()
                                       << QString() << ninguno << C;
        QTest::newRow("catálogo 1013") << Llamador::ActualizacionCatalogo << 1013 << false << uno
                                       << u"Usuario o Password no aceptado"_s << producto << critico << T;
        QTest::newRow("catálogo 1029") << Llamador::ActualizacionCatalogo << 1029 << false << cero << telefono
                                       << producto << critico << T;
        QTest::newRow("catálogo otro") << Llamador::ActualizacionCatalogo << 550 << false << uno << catalogo550
                                       << programa << ninguno << T;

        for (int n : {1000, 1003, 1015, 1029, 550})
            QTest::addRow("revisión %d", n)
                << Llamador::RevisionCatalogo << n << true << cero << QString() << QString() << ninguno << T;
    }

    void reporta()
    {
        QFETCH(Llamador, llamador);
        QFETCH(int, numero);
        QFETCH(bool, boton);
        QFETCH(QVariant, tipoAcceso);
        QFETCH(QString, texto);
        QFETCH(QString, titulo);
        QFETCH(Dialogos::Icono, icono);
        QFETCH(Siguiente, siguiente);

        Programa &programa = oficina->programa();
        // tipo_acceso is read from the record when the report is made.
        programa.parametros().asigna(u"tipo_acceso"_s, tipoAcceso);
        auto &dialogos = oficina->dialogos;
        dialogos.mensajes.clear();

        const auto r = ReporteConexion::reporta(llamador, ErrorTendal(numero, u"la descripción"_s), programa, boton);

        QCOMPARE(r.siguiente, siguiente);
        QCOMPARE(r.mensaje, !texto.isEmpty());
        if (texto.isEmpty()) {
            QCOMPARE(dialogos.mensajes.size(), 0);
            return;
        }
        QCOMPARE(dialogos.mensajes.size(), 1);
        const auto &m = dialogos.mensajes.first();
        QCOMPARE(m.texto, texto);
        QCOMPARE(m.titulo, titulo);
        QCOMPARE(m.icono, icono);
        QCOMPARE(m.botones, Dialogos::Botones::Aceptar);
    }
};

QTEST_GUILESS_MAIN(PruebaReporteConexion)
#include "PruebaReporteConexion.moc"
