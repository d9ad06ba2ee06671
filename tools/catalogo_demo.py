#!/usr/bin/python3
"""The demo error catalogue and bulletins.

Shared by the demo validation server (which names only error codes found
here in its responses) and by scripts/demo (which installs the tables into
the demo office's Prevalida.db):

    catalogo_demo.py RUTA/Prevalida.db

Installing replaces the rows of the seven catalogue tables and of
TIPO_ERRORES in one transaction, so it can run again on the same database.
"""

import sqlite3
import sys

# Error types of SAAI M3 validation responses.
TIPO_ERRORES = [
    (1, "ESTRUCTURA DEL ARCHIVO"),
    (2, "CATÁLOGO"),
    (3, "VALIDACIÓN DE CAMPO"),
    (4, "DATO OBLIGATORIO"),
    (5, "REGLA DE NEGOCIO"),
    (6, "CÁLCULO DE CONTRIBUCIÓN"),
]

# ERRORESM: (NUMERO, REG, CAMPO, TIPO_ERROR, NUM_ERROR, DESCRIPCION). Types
# 3, 4 and 6 are looked up with the record and the field; the others by type
# and number alone (REG and CAMPO 0 there).
ERRORESM = [
    (1, 0, 0, 1, 1, "LA LONGITUD DEL REGISTRO NO CORRESPONDE A LA DEL TIPO DE REGISTRO DECLARADO"),
    (2, 0, 0, 1, 2, "EL ARCHIVO NO CONTIENE EL REGISTRO DE INICIO 500"),
    (3, 0, 0, 1, 3, "EL NÚMERO DE REGISTROS DECLARADO EN EL REGISTRO 800 NO COINCIDE CON LOS ENVIADOS"),
    (4, 0, 0, 2, 1, "LA CLAVE DE PEDIMENTO NO EXISTE EN EL CATÁLOGO DE CLAVES VIGENTES"),
    (5, 0, 0, 2, 4, "LA ADUANA-SECCIÓN DECLARADA NO EXISTE EN EL CATÁLOGO"),
    (6, 0, 0, 2, 7, "LA FRACCIÓN ARANCELARIA NO ESTÁ VIGENTE A LA FECHA DE ENTRADA"),
    (7, 501, 5, 3, 1, "EL TIPO DE CAMBIO NO CORRESPONDE AL PUBLICADO PARA LA FECHA DE ENTRADA"),
    (8, 501, 8, 3, 2, "EL RFC DEL IMPORTADOR O EXPORTADOR NO TIENE UNA ESTRUCTURA VÁLIDA"),
    (9, 505, 3, 3, 1, "LA FECHA DE FACTURACIÓN ES POSTERIOR A LA FECHA DE PAGO"),
    (10, 551, 4, 3, 3, "LA UNIDAD DE MEDIDA DE TARIFA NO CORRESPONDE A LA FRACCIÓN DECLARADA"),
    (11, 501, 12, 4, 1, "FALTA EL PESO BRUTO DE LA MERCANCÍA"),
    (12, 502, 2, 4, 2, "FALTA LA IDENTIFICACIÓN DEL MEDIO DE TRANSPORTE"),
    (13, 551, 9, 4, 1, "FALTA EL VALOR EN ADUANA DE LA PARTIDA"),
    (14, 0, 0, 5, 3, "EL PEDIMENTO YA FUE VALIDADO ANTERIORMENTE CON OTRO ARCHIVO"),
    (15, 0, 0, 5, 8, "EL IMPORTADOR NO ESTÁ INSCRITO EN EL PADRÓN DE IMPORTADORES"),
    (16, 510, 3, 6, 2, "EL IMPORTE DEL IVA NO CORRESPONDE A LA BASE GRAVABLE DECLARADA"),
    (17, 510, 4, 6, 5, "EL DERECHO DE TRÁMITE ADUANERO ES MENOR AL MÍNIMO ESTABLECIDO"),
]

# ERRORESC: (TIPO_ERROR, NUM_ERROR, DESCRIPCION, SOLUCION); 1 normative,
# 2 syntactic or catalogue, 3 technical.
ERRORESC = [
    (1, 101, "EL FOLIO DE LA CARTA CUPO YA FUE UTILIZADO", "Solicite un nuevo folio al almacén fiscal."),
    (1, 102, "LA CARTA CUPO NO CORRESPONDE A LA PATENTE QUE LA TRANSMITE", None),
    (2, 201, "EL CAMPO CONTIENE CARACTERES NO PERMITIDOS", "Revise que el campo no lleve acentos ni símbolos."),
    (2, 207, "LA CLAVE DEL ALMACÉN NO EXISTE EN EL CATÁLOGO", None),
    (3, 301, "LA FIRMA ELECTRÓNICA DEL ARCHIVO NO ES VÁLIDA", None),
]

# ERRORESD: (REG, CAMPO, TIPO_ERROR, CONSECUTIVO, DESCRIPCION); CAMPO 0
# serves any field.
ERRORESD = [
    (701, 0, "E", "1", "El registro de descargo no corresponde a un pedimento pagado."),
    (701, 3, "E", "2", "La fecha de descargo es anterior a la fecha de pago del pedimento original."),
    (702, 0, "V", "5", "La cantidad descargada excede el saldo del pedimento original."),
    (702, 6, "V", "7", "La fracción del descargo no coincide con la del pedimento original."),
    (703, 0, "A", "3", "Advertencia: el pedimento original está próximo a vencer."),
]

# ERRORESB: electronic payment (A and R responses).
ERRORESB = [
    (5, "LA LÍNEA DE CAPTURA NO ES VÁLIDA PARA EL BANCO RECEPTOR"),
    (12, "EL IMPORTE PAGADO NO COINCIDE CON EL DE LA LÍNEA DE CAPTURA"),
    (21, "LA CUENTA DE CARGO NO TIENE FONDOS SUFICIENTES"),
    (34, "EL PEDIMENTO NO HA SIDO VALIDADO PREVIAMENTE"),
]

# ERRORESS: (NUMERO, TIPO, CODIGO, DESCRIPCION), SAGARPA responses.
ERRORESS = [
    (1, 1, 10, "El certificado fitosanitario no está vigente."),
    (2, 1, 14, "La mercancía requiere certificado zoosanitario de importación."),
    (3, 2, 3, "El país de origen no está autorizado para la mercancía declarada."),
    (4, 2, 8, "La fracción arancelaria no está sujeta a regulación de la dependencia."),
]

# ERRORESA: further responses.
ERRORESA = [
    (101, "EL PEDIMENTO NO CUENTA CON PREVALIDACIÓN"),
    (102, "EL RFC DEL CONTRIBUYENTE NO ESTÁ REGISTRADO"),
]

# INFORMACION: bulletins.
INFORMACION = [
    (1, "A partir del próximo lunes el servidor de validación atenderá de 6:00 a 23:00 horas."),
    (2, "Se publicó la versión 2 del catálogo de errores: actualícelo desde el menú Catálogo."),
    (3, "Recuerde renovar su contraseña de pago electrónico antes del fin de mes."),
    (4, "Aviso: mantenimiento programado del enlace el sábado de 22:00 a 02:00 horas."),
]

BOLETINES = [1, 2, 3, 4]


def instala(ruta):
    """Replaces the catalogue tables' rows of the database at ruta."""
    conexion = sqlite3.connect(ruta)
    try:
        with conexion:
            for tabla in ("TIPO_ERRORES", "ERRORESM", "ERRORESC", "ERRORESD", "ERRORESB", "ERRORESS", "ERRORESA",
                          "INFORMACION"):
                conexion.execute("DELETE FROM " + tabla)
            conexion.executemany("INSERT INTO TIPO_ERRORES (NUM_ERROR, TIPO_ERROR) VALUES (?, ?)", TIPO_ERRORES)
            conexion.executemany("INSERT INTO ERRORESM (NUMERO, REG, CAMPO, TIPO_ERROR, NUM_ERROR, DESCRIPCION) "
                                 "VALUES (?, ?, ?, ?, ?, ?)", ERRORESM)
            conexion.executemany("INSERT INTO ERRORESC (TIPO_ERROR, NUM_ERROR, DESCRIPCION, SOLUCION) "
                                 "VALUES (?, ?, ?, ?)", ERRORESC)
            conexion.executemany("INSERT INTO ERRORESD (REG, CAMPO, TIPO_ERROR, CONSECUTIVO, DESCRIPCION) "
                                 "VALUES (?, ?, ?, ?, ?)", ERRORESD)
            conexion.executemany("INSERT INTO ERRORESB (NUM_ERROR, DESCRIPCION) VALUES (?, ?)", ERRORESB)
            conexion.executemany("INSERT INTO ERRORESS (NUMERO, TIPO, CODIGO, DESCRIPCION) VALUES (?, ?, ?, ?)",
                                 ERRORESS)
            conexion.executemany("INSERT INTO ERRORESA (NUM_ERROR, DESCRIPCION) VALUES (?, ?)", ERRORESA)
            conexion.executemany("INSERT INTO INFORMACION (CODIGO, TEXTO) VALUES (?, ?)", INFORMACION)
    finally:
        conexion.close()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("Uso: catalogo_demo.py RUTA/Prevalida.db")
    instala(sys.argv[1])
