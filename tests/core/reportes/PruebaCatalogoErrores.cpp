#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"
#include "core/reportes/CatalogoErrores.h"
#include "tests/soporte/CatalogoPrueba.h"

#include <QtTest>

// The catalogue lookups: what narrows each one, what finds nothing, and that
// values from a response file never become part of the query text.
class PruebaCatalogoErrores : public QObject
{
    Q_OBJECT

    static QString texto(const std::optional<QString> &fila) { return fila ? *fila : QStringLiteral("(nada)"); }
    static QString texto(const std::optional<CatalogoErrores::ErrorM> &fila)
    {
        return fila ? fila->nombreTipo + u'|' + fila->descripcion : QStringLiteral("(nada)");
    }
    static QString texto(const std::optional<CatalogoErrores::ErrorC> &fila)
    {
        return fila ? QString::number(fila->tipo) + u'|' + fila->descripcion : QStringLiteral("(nada)");
    }

private slots:
    void busquedas()
    {
        Oficina oficina;
        llenaCatalogo(oficina);
        oficina.sql(QStringLiteral("INSERT INTO ERRORESM VALUES (9, 503, 9, 4, 2, 'OTRO REGISTRO')"));
        oficina.sql(QStringLiteral(
            "INSERT INTO ERRORESD VALUES (0, 12, 'T', '7', 'CAMPO DOCE'), (0, 0, 'T', '7', 'CUALQUIER CAMPO')"));
        auto conexion = Conexion::abre(oficina.carpetaDatos());
        CatalogoErrores c(*conexion);

        const QList<std::pair<QString, QString>> casos = {
            // M: types 3, 4 and 6 are narrowed by record type and field.
            {texto(c.buscaM(3, 1, 501, 5)), QStringLiteral("ESTRUCTURA|FALTA EL CAMPO DE PEDIMENTO")},
            {texto(c.buscaM(3, 1, 501, 6)), QStringLiteral("(nada)")},
            {texto(c.buscaM(4, 2, 502, 9)), QStringLiteral("CATALOGO|CLAVE DE PAÍS NO EXISTE")},
            {texto(c.buscaM(4, 2, 503, 9)), QStringLiteral("CATALOGO|OTRO REGISTRO")},
            {texto(c.buscaM(4, 2, 504, 9)), QStringLiteral("(nada)")},
            // Any other type: one row serves every record and field.
            {texto(c.buscaM(1, 7, 999, 99)), QStringLiteral("SINTAXIS|RFC INVÁLIDO")},
            {texto(c.buscaM(1, 7, -5, 0)), QStringLiteral("SINTAXIS|RFC INVÁLIDO")},
            // A type with no name finds nothing, though ERRORESM has the row.
            {texto(c.buscaM(5, 3, 0, 0)), QStringLiteral("(nada)")},
            // C: the class comes with the row, also outside 1 to 3.
            {texto(c.buscaC(120)), QStringLiteral("2|EL CAMPO NO EXISTE EN EL CATÁLOGO")},
            {texto(c.buscaC(121)), QStringLiteral("9|CLASE DESCONOCIDA")},
            {texto(c.buscaC(0)), QStringLiteral("(nada)")},
            // D: type code without regard to case, running number as decimal
            // text, the field or field 0.
            {texto(c.buscaD(QStringLiteral("R"), 5, 12)), QStringLiteral("VALOR FUERA DE RANGO")},
            {texto(c.buscaD(QStringLiteral("r"), 5, 13)), QStringLiteral("OTRO CAMPO")},
            {texto(c.buscaD(QStringLiteral("s"), 7, 40)), QStringLiteral("Aplica a cualquier campo")},
            {texto(c.buscaD(QStringLiteral("R"), 5, 14)), QStringLiteral("(nada)")},
            {texto(c.buscaD(QStringLiteral("'"), 5, 12)), QStringLiteral("(nada)")},
            {texto(c.buscaD(QStringLiteral("R' OR '1'='1"), 5, 12)), QStringLiteral("(nada)")},
            // B, S, A and the bulletin texts.
            {texto(c.buscaB(15)), QStringLiteral("PAGO RECHAZADO POR EL BANCO")},
            {texto(c.buscaB(16)), QStringLiteral("(nada)")},
            {texto(c.buscaS(2, 15)), QStringLiteral("CERTIFICADO VENCIDO")},
            {texto(c.buscaS(15, 2)), QStringLiteral("(nada)")},
            {texto(c.buscaA(12)), QStringLiteral("RFC NO REGISTRADO")},
            {texto(c.buscaA(-12)), QStringLiteral("(nada)")},
            {texto(c.buscaInformacion(3)), QStringLiteral("Servicio normal")},
            {texto(c.buscaInformacion(4)), QStringLiteral("(nada)")},
        };
        for (int i = 0; i < casos.size(); ++i)
            QVERIFY2(casos[i].first == casos[i].second,
                     qPrintable(QStringLiteral("caso %1: %2").arg(i).arg(casos[i].first)));

        // A D error that matches a row of its field and a row for any field
        // gets one description, from one of them.
        const QString ambas = texto(c.buscaD(QStringLiteral("T"), 7, 12));
        QVERIFY2(ambas == u"CAMPO DOCE" || ambas == u"CUALQUIER CAMPO", qPrintable(ambas));
    }

    void tablaFaltante()
    {
        Oficina oficina;
        oficina.sql(QStringLiteral("DROP TABLE ERRORESA"));
        auto conexion = Conexion::abre(oficina.carpetaDatos());
        CatalogoErrores c(*conexion);
        QCOMPARE(texto(c.buscaB(1)), QStringLiteral("(nada)"));
        try {
            c.buscaA(1);
            QFAIL("la búsqueda en una tabla que no existe no falló");
        } catch (const ErrorTendal &e) {
            QCOMPARE(e.numero(), ErrorTendal::TablaNoEncontrada);
            QVERIFY2(e.descripcion().startsWith(
                         QStringLiteral("no se pudo consultar la tabla ERRORESA del catálogo de errores")),
                     qPrintable(e.descripcion()));
        }
    }
};

QTEST_GUILESS_MAIN(PruebaCatalogoErrores)
#include "PruebaCatalogoErrores.moc"
