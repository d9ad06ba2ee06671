#!/usr/bin/python3
"""The demo validation server.

An FTP server on 127.0.0.1 with the organisation's folders and accounts
that answers every file an office uploads as the real server does: after a
short delay it writes the prevalidation response and the validation response
that the client expects, in the folders where the client looks for them.

    valserver.py --raiz CARPETA [--patente 123] [--clave secreto] [--puerto 0]
                 [--archivo-puerto RUTA] [--demora SEGUNDOS] [--clave-pago TEXTO] [-v]

The first line it prints is the port it got (also written to --archivo-puerto).
It ends on SIGTERM or Ctrl+C.

Folders: /agNNNN (SAAI M3, C and D files and their responses), /yexin and
/yexout (electronic payment), /sagarpain and /sagarpaout (SAGARPA), /update
(InfoYEX.txt, revact.txt, revactp.txt, and the payment-password file when
--clave-pago is given). Accounts: "ag" + the patente in four digits with
--clave, and actualizador / vermio.

Responses by the first letter of the uploaded name:
    M  k + name[1:] and base + "err", in /ag + name[1:5]
    C  base + "err", in /ag + name[1:5]
    D  base + "err" and base + "erp", in /ag + name[1:5]
    E  "ke" + name[1:5] + name[6:] and "a" + name[1:], in /yexout
    S  "x" + name[1:], in /sagarpaout
Their lines follow the formats the client reports on and name error codes of
the demo catalogue (tools/catalogo_demo.py). Whether a file comes back clean
or with errors, and whether a response first appears empty (as while the
server writes it) and gets its content a little later, is decided by the
file name, so a run can be repeated.
"""

import argparse
import datetime
import logging
import os
import random
import signal
import sys
import threading
import zlib

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import catalogo_demo  # noqa: E402

CRLF = "\r\n"
registro = logging.getLogger("valserver")


def escribe(ruta, texto):
    """Writes a response as a whole (temporary hidden name, then renamed)."""
    os.makedirs(os.path.dirname(ruta), exist_ok=True)
    parcial = os.path.join(os.path.dirname(ruta), "." + os.path.basename(ruta) + ".parcial")
    with open(parcial, "wb") as f:
        f.write(texto.encode("cp1252", errors="replace"))
    os.replace(parcial, ruta)


def base(nombre):
    return nombre[:-3]


def codifica(texto):
    """The client's password scrambling: each code plus its position plus 15."""
    return "".join(bytes([ord(c.encode("cp1252")) + i + 16]).decode("cp1252", errors="replace")
                   for i, c in enumerate(texto))


class Contenidos:
    """The text of every response, from the sent file's name."""

    def __init__(self, nombre, ahora):
        self.nombre = nombre
        self.ahora = ahora
        self.azar = random.Random(zlib.crc32(nombre.upper().encode()))
        # Two files in three come back with errors.
        self.con_errores = self.azar.random() < 0.67
        self.patente = nombre[1:5]

    def pedimentos(self, n):
        return ["%07d" % self.azar.randint(1000000, 9999999) for _ in range(n)]

    def firma(self):
        return "".join(self.azar.choice("ABCDEF0123456789") for _ in range(8))

    def prevalidacion(self, tipo):
        """Prevalidation responses are shown as they are: a short receipt."""
        lineas = [
            "PREVALIDACIÓN ELECTRÓNICA DE %s" % tipo,
            "ARCHIVO: %s" % self.nombre.upper(),
            "PATENTE: %s" % self.patente,
            "RECIBIDO: %s" % self.ahora.strftime("%d/%m/%Y %H:%M:%S"),
            "RESULTADO: ARCHIVO RECIBIDO Y TURNADO A VALIDACIÓN",
        ]
        return CRLF.join(lineas) + CRLF

    def m(self):
        lineas = [" ACUSE DE VALIDACIÓN SAAI M3  ARCHIVO: %s" % self.nombre.upper(),
                  " FECHA: %s" % self.ahora.strftime("%d/%m/%Y %H:%M")]
        errores = catalogo_demo.ERRORESM
        for i, ped in enumerate(self.pedimentos(3)):
            if self.con_errores and i != 1:
                for _ in range(self.azar.randint(1, 2)):
                    _, reg, campo, tipo, num, _ = self.azar.choice(errores)
                    reg = reg or self.azar.choice([500, 501, 505, 551])
                    campo = campo or self.azar.randint(1, 12)
                    linea = self.azar.randint(1, 250)
                    lineas.append("E%s%03d%04d%d%02d%02d" % (ped, reg, linea, tipo, campo, num))
            else:
                lineas.append("F%s%s" % (ped, self.firma()))
        lineas.append(" FIN DEL ACUSE")
        return CRLF.join(lineas) + CRLF

    def c(self):
        folio = "%08d" % self.azar.randint(1, 99999999)
        lineas = ["200|%s|%s|%s|%s|" % (self.patente, "GOMA800101HDFRRN09", folio, self.firma())]
        if self.con_errores:
            for _ in range(self.azar.randint(1, 3)):
                tipo, clave, _, _ = self.azar.choice(catalogo_demo.ERRORESC)
                registro_ = self.azar.randint(1, 20)
                lineas.append("%d|%s|%d|%d|%d|%d|%d|" % (registro_, folio, self.azar.randint(1, 9),
                                                          registro_, tipo, self.azar.randint(1, 15), clave))
        return CRLF.join(lineas) + CRLF

    def d(self):
        ped = self.pedimentos(1)[0]
        lineas = ["F%s%s%04d%02d%05d%s" % (self.patente, ped, self.azar.randint(1, 9999), self.azar.randint(1, 99),
                                            self.azar.randint(1, 99999), self.firma())]
        if self.con_errores:
            for _ in range(self.azar.randint(1, 3)):
                reg, campo, tipo, consecutivo, _ = self.azar.choice(catalogo_demo.ERRORESD)
                numero = campo or self.azar.randint(1, 9)
                lineas.append("E%s%03d%04d%s%02d%02d" % (ped, reg, self.azar.randint(1, 40), tipo, numero,
                                                         int(consecutivo)))
        return CRLF.join(lineas) + CRLF

    def a(self):
        lineas = []
        for ped in self.pedimentos(2):
            banco = "40012"
            if self.con_errores and self.azar.random() < 0.6:
                codigo, _ = self.azar.choice(catalogo_demo.ERRORESB)
                linea = banco + " " * 31 + ped + " " * 32 + "%03d" % codigo
            else:
                captura = "".join(self.azar.choice("0123456789") for _ in range(20))
                operacion = "%014d" % self.azar.randint(1, 10 ** 13)
                transaccion = "".join(self.azar.choice("0123456789ABCDEF") for _ in range(20))
                linea = (banco + captura + " " * 11 + ped + " " * 32 + self.ahora.strftime("%d/%m/%y")
                         + self.ahora.strftime("%H:%M:%S") + operacion + transaccion)
            lineas.append(linea)
        return CRLF.join(lineas) + CRLF

    def x(self):
        operacion = "%010d" % self.azar.randint(1, 10 ** 9)
        if self.con_errores:
            lineas = ["R|%s|%s|%s|RECHAZADO" % (self.patente, operacion, self.nombre.upper())]
            for _ in range(self.azar.randint(1, 2)):
                _, tipo, codigo, _ = self.azar.choice(catalogo_demo.ERRORESS)
                lineas.append("E|%d|%d|%d|%s|" % (tipo, codigo, self.azar.randint(1, 30),
                                                   self.azar.choice(["501", "502", "551"])))
        else:
            lineas = ["R|%s|%s|%s|ACEPTADO" % (self.patente, operacion, self.nombre.upper())]
        return CRLF.join(lineas) + CRLF

    def respuestas(self):
        """(folder, name, text) of each response, prevalidation first."""
        n = self.nombre
        letra = n[:1].upper()
        ag = "/ag" + n[1:5]
        if letra == "M":
            return [(ag, "k" + n[1:], self.prevalidacion("SAAI M3")), (ag, base(n) + "err", self.m())]
        if letra == "C":
            return [(ag, base(n) + "err", self.c())]
        if letra == "D":
            return [(ag, base(n) + "erp", self.prevalidacion("CARTAS CUPO")), (ag, base(n) + "err", self.d())]
        if letra == "E":
            return [("/yexout", "ke" + n[1:5] + n[6:], self.prevalidacion("PAGO ELECTRÓNICO")),
                    ("/yexout", "a" + n[1:], self.a())]
        if letra == "S":
            return [("/sagarpaout", "x" + n[1:], self.x())]
        return []


class Respondedor:
    """Answers each uploaded file after a short delay."""

    def __init__(self, raiz, demora):
        self.raiz = raiz
        self.demora = demora

    def ruta(self, carpeta, nombre):
        return os.path.join(self.raiz, carpeta.strip("/"), nombre)

    def recibido(self, ruta):
        nombre = os.path.basename(ruta)
        carpeta = os.path.relpath(os.path.dirname(ruta), self.raiz)
        if carpeta.lower() == "update":
            return
        contenidos = Contenidos(nombre, datetime.datetime.now())
        respuestas = contenidos.respuestas()
        # A file sent again: the old responses go at once, new ones come later.
        for carpeta_r, nombre_r, _ in respuestas:
            try:
                os.remove(self.ruta(carpeta_r, nombre_r))
            except FileNotFoundError:
                pass
        # One file in three shows its validation response empty first.
        vacia_primero = contenidos.azar.random() < 0.34
        for orden, (carpeta_r, nombre_r, texto) in enumerate(respuestas):
            demora = self.demora * (orden + 1)
            destino = self.ruta(carpeta_r, nombre_r)
            ultima = orden == len(respuestas) - 1
            if ultima and vacia_primero:
                self.programa(demora, destino, "")
                demora += max(6.0, self.demora * 3)
            self.programa(demora, destino, texto)
        registro.info("%s: %s", nombre, ", ".join(n for _, n, _ in respuestas) or "sin respuesta")

    def programa(self, demora, destino, texto):
        def trabajo():
            escribe(destino, texto)
            registro.info("escrita %s (%d bytes)", destino, len(texto))
        temporizador = threading.Timer(demora, trabajo)
        temporizador.daemon = True
        temporizador.start()


def prepara_raiz(raiz, patente, clave_pago):
    p4 = "%04d" % patente
    for carpeta in ("ag" + p4, "yexin", "yexout", "sagarpain", "sagarpaout", "update"):
        os.makedirs(os.path.join(raiz, carpeta), exist_ok=True)
    hoy = datetime.datetime.now()
    actualizacion = os.path.join(raiz, "update")
    codigos = "".join("%d|" % c for c in catalogo_demo.BOLETINES)
    escribe(os.path.join(actualizacion, "InfoYEX.txt"), "%s|%s|%s" % (hoy.strftime("%d/%m/%Y"),
                                                                      hoy.strftime("%H:%M"), codigos) + CRLF)
    # The catalogue the demo office has installed (version 1) and no
    # parameter changes.
    escribe(os.path.join(actualizacion, "revact.txt"), "0001" + hoy.strftime("%d/%m/%Y") + CRLF)
    escribe(os.path.join(actualizacion, "revactp.txt"), "0" + CRLF)
    if clave_pago is not None:
        escribe(os.path.join(actualizacion, "cfps%s.rgs" % p4), "N" + codifica(clave_pago) + CRLF)


def main():
    parser = argparse.ArgumentParser(description="Servidor de validación de demostración")
    parser.add_argument("--raiz", required=True, help="carpeta con las carpetas del servidor")
    parser.add_argument("--patente", type=int, default=123)
    parser.add_argument("--clave", default="secreto", help="contraseña FTP de la cuenta del agente")
    parser.add_argument("--puerto", type=int, default=0, help="0: uno libre")
    parser.add_argument("--archivo-puerto", help="escribe aquí el puerto obtenido")
    parser.add_argument("--demora", type=float, default=1.5, help="segundos entre una respuesta y la siguiente")
    parser.add_argument("--clave-pago", help="publica el archivo de contraseña de pago con esta contraseña")
    parser.add_argument("-v", "--detalle", action="store_true", help="muestra cada archivo recibido y escrito")
    args = parser.parse_args()

    logging.basicConfig(level=logging.INFO if args.detalle else logging.WARNING,
                        format="valserver: %(message)s", stream=sys.stderr)
    raiz = os.path.abspath(args.raiz)
    prepara_raiz(raiz, args.patente, args.clave_pago)
    respondedor = Respondedor(raiz, args.demora)

    autorizador = DummyAuthorizer()
    autorizador.add_user("ag%04d" % args.patente, args.clave, raiz, perm="elradfmwMT")
    autorizador.add_user("actualizador", "vermio", raiz, perm="elradfmwMT")

    class Manejador(FTPHandler):
        def on_file_received(self, ruta):
            respondedor.recibido(ruta)

    Manejador.authorizer = autorizador
    Manejador.auth_failed_timeout = 0
    Manejador.banner = "Servidor de validacion de demostracion"

    servidor = FTPServer(("127.0.0.1", args.puerto), Manejador)
    servidor.max_cons = 64
    puerto = servidor.socket.getsockname()[1]
    if args.archivo_puerto:
        parcial = args.archivo_puerto + ".parcial"
        with open(parcial, "w") as f:
            f.write("%d\n" % puerto)
        os.replace(parcial, args.archivo_puerto)
    print(puerto, flush=True)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        servidor.serve_forever(handle_exit=True)
    finally:
        servidor.close_all()


if __name__ == "__main__":
    main()
