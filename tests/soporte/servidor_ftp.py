#!/usr/bin/python3
"""A real FTP server (pyftpdlib) for the tests, on 127.0.0.1.

    /usr/bin/python3 servidor_ftp.py RAIZ [--cuenta USUARIO:CLAVE ...] [--puerto N]

RAIZ is the server's "/" and every account's home. The organisation's
folders are created in it when missing (/agNNNN for every broker account
"agNNNN", /yexin, /yexout, /sagarpain, /sagarpaout, /update). Without
--cuenta the accounts are ag0123 (secreto) and actualizador (vermio). A user
name of the proxy form "cuenta@host" logs in as "cuenta", as an FTP proxy
forwards it.

The first line on stdout is the port the server got ("puerto N"). Then it
reads commands on stdin, one a line, and answers each with one line on
stdout once it is applied ("ok", or the answer). When stdin closes the
server ends, so a test that dies never leaves a server behind.

    rechaza_login 1|0     530 to every USER                (login refused)
    ocupado 1|0           421 instead of the greeting      (server busy)
    detiene saludo        accept connections, never answer
    detiene datos         open data connections, never move a byte
    detiene no            stop stalling
    corta N               drop every data connection after N bytes (0: off)
    lento N               data at N bytes a second (0: full speed)
    rechaza_stor CODIGO   refuse uploads with that reply, e.g. 550 (0: off)
    rechaza_nlst CODIGO   refuse name listings with that reply (0: off)
    rechaza_mdtm CODIGO   refuse the time command (MDTM) with that reply (0: off)
    restablece            every switch off
    usuarios              "usuarios a,b,..." the user names that logged in
    transferencias        "transferencias STOR /a/b|RETR /a/c|NLST /a|..." every
                          upload, download and name listing asked for so far
    recibidos             "recibidos /a/b 1024|/a/c 20|..." every upload the
                          server closed, with the size of its file then (an
                          upload whose client died mid-way closes short)
    mudas                 "mudas N" connections accepted and held without a greeting
    salir                 end the server

The pieces (Interruptores, Autorizador, Manejador, CanalDatos, crea_servidor)
are importable by other servers that need the same faults.
"""

import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

CARPETAS = ["yexin", "yexout", "sagarpain", "sagarpaout", "update"]
CUENTAS = [("ag0123", "secreto"), ("actualizador", "vermio")]
PERMISOS = "elradfmwMT"


class Interruptores:
    """The fault switches, set from the stdin thread, read by the server loop."""

    def __init__(self):
        self.restablece()
        self.usuarios = []
        self.mudas = 0
        self.transferencias = []
        self.recibidos = []

    def restablece(self):
        self.rechaza_login = False
        self.ocupado = False
        self.detiene = ""  # "", "saludo" or "datos"
        self.corta = 0
        self.lento = 0
        self.rechaza_stor = 0
        self.rechaza_nlst = 0
        self.rechaza_mdtm = 0


S = Interruptores()


def cuenta(usuario):
    """The account of a user name, also in the proxy form cuenta@host."""
    return usuario.split("@", 1)[0]


class Autorizador(DummyAuthorizer):
    """Virtual users; "cuenta@host" is the account "cuenta"."""

    def validate_authentication(self, username, password, handler):
        return super().validate_authentication(cuenta(username), password, handler)

    def has_user(self, username):
        return super().has_user(cuenta(username))

    def get_home_dir(self, username):
        return super().get_home_dir(cuenta(username))

    def has_perm(self, username, perm, path=None):
        return super().has_perm(cuenta(username), perm, path)

    def get_perms(self, username):
        return super().get_perms(cuenta(username))

    def get_msg_login(self, username):
        return super().get_msg_login(cuenta(username))

    def get_msg_quit(self, username):
        try:
            return super().get_msg_quit(cuenta(username))
        except KeyError:
            return "Adios."


class _ProductorCortado:
    """Gives at most `limite` bytes of a producer, then marks the channel cut."""

    def __init__(self, productor, limite, canal):
        self.productor = productor
        self.resto = limite
        self.canal = canal

    def more(self):
        if self.resto <= 0:
            self.canal.cortado = True
            return b""
        datos = self.productor.more()
        datos = datos[: self.resto]
        self.resto -= len(datos)
        if not datos:
            return b""
        return datos


class CanalDatos(ThrottledDTPHandler):
    """Data connection with the faults: stall, cut after N bytes, slow."""

    def __init__(self, sock, cmd_channel):
        self.read_limit = S.lento
        self.write_limit = S.lento
        self.cortado = False
        self.detenido = S.detiene == "datos"
        self.limite = S.corta
        super().__init__(sock, cmd_channel)

    def push_with_producer(self, producer):
        if self.detenido:
            self._initialized = True
            self.del_channel()
            return
        if self.limite:
            producer = _ProductorCortado(producer, self.limite, self)
        super().push_with_producer(producer)

    def push(self, data):
        if self.detenido:
            self._initialized = True
            self.del_channel()
            return
        if self.limite:
            if len(data) >= self.limite:
                self.cortado = True
            data = data[: self.limite]
        super().push(data)

    def close_when_done(self):
        if self.detenido:
            return
        super().close_when_done()

    def handle_read(self):
        if self.detenido:
            self.del_channel()
            return
        antes = self.tot_bytes_received
        super().handle_read()
        if self.limite and self.tot_bytes_received > self.limite and antes <= self.limite:
            self.cortado = True
            self.handle_close()

    handle_read_event = handle_read  # the base class binds its own under this name

    def handle_close(self):
        if self.cortado and not self._closed:
            self.transfer_finished = False
            self._resp = ("426 Conexion de datos cortada; transferencia abortada.", logging.debug)
            self.close()
            return
        super().handle_close()


class Manejador(FTPHandler):
    """Control connection with the faults: refused logins, busy, stall, refusals."""

    auth_failed_timeout = 0
    use_sendfile = False
    dtp_handler = CanalDatos
    banner = "Servidor FTP de pruebas listo."
    mudo = False

    def handle(self):
        if S.ocupado:
            self.respond("421 Servicio no disponible.")
            self.close_when_done()
            return
        if S.detiene == "saludo":
            self.mudo = True
            S.mudas += 1
            return
        super().handle()

    def found_terminator(self):
        if self.mudo:
            self._in_buffer = []
            self._in_buffer_len = 0
            return
        super().found_terminator()

    def ftp_USER(self, line):
        if S.rechaza_login:
            self.respond("530 Usuario no aceptado.")
            return
        super().ftp_USER(line)

    def _anota(self, orden, ruta):
        S.transferencias.append(orden + " " + self.fs.fs2ftp(ruta))

    def ftp_RETR(self, file):
        self._anota("RETR", file)
        return super().ftp_RETR(file)

    def ftp_STOR(self, file, mode="w"):
        self._anota("STOR", file)
        if S.rechaza_stor:
            self.respond("%d Envio rechazado." % S.rechaza_stor)
            return None
        return super().ftp_STOR(file, mode)

    def ftp_NLST(self, path):
        self._anota("NLST", path)
        if S.rechaza_nlst:
            self.respond("%d Listado rechazado." % S.rechaza_nlst)
            return None
        return super().ftp_NLST(path)

    def ftp_MDTM(self, path):
        if S.rechaza_mdtm:
            self.respond("%d Orden no disponible." % S.rechaza_mdtm)
            return None
        return super().ftp_MDTM(path)

    def on_login(self, username):
        S.usuarios.append(username)

    def _recibido(self, file):
        try:
            tamano = os.path.getsize(file)
        except OSError:
            tamano = -1
        S.recibidos.append("%s %d" % (self.fs.fs2ftp(file), tamano))

    def on_file_received(self, file):
        self._recibido(file)

    def on_incomplete_file_received(self, file):
        self._recibido(file)


def crea_servidor(raiz, cuentas, puerto=0, manejador=Manejador):
    """The server on 127.0.0.1 with the organisation's folders under raiz."""
    raiz = os.path.abspath(raiz)
    carpetas = list(CARPETAS) + [u for u, _ in cuentas if u.startswith("ag")]
    for carpeta in carpetas:
        os.makedirs(os.path.join(raiz, carpeta), exist_ok=True)
    autorizador = Autorizador()
    for usuario, clave in cuentas:
        autorizador.add_user(usuario, clave, raiz, perm=PERMISOS)
    manejador.authorizer = autorizador
    return FTPServer(("127.0.0.1", puerto), manejador)


def _responde(texto):
    sys.stdout.write(texto + "\n")
    sys.stdout.flush()


def _atiende_ordenes():
    """Reads the switches from stdin; the process ends when stdin closes."""
    for linea in sys.stdin:
        partes = linea.split()
        if not partes:
            continue
        orden, valor = partes[0], (partes[1] if len(partes) > 1 else "")
        if orden == "salir":
            break
        if orden == "usuarios":
            _responde("usuarios " + ",".join(S.usuarios))
        elif orden == "transferencias":
            _responde("transferencias " + "|".join(S.transferencias))
        elif orden == "recibidos":
            _responde("recibidos " + "|".join(S.recibidos))
        elif orden == "mudas":
            _responde("mudas %d" % S.mudas)
        elif orden == "restablece":
            S.restablece()
            _responde("ok")
        elif orden in ("rechaza_login", "ocupado"):
            setattr(S, orden, valor not in ("", "0", "no"))
            _responde("ok")
        elif orden == "detiene":
            S.detiene = "" if valor in ("", "no", "0") else valor
            _responde("ok")
        elif orden in ("corta", "lento", "rechaza_stor", "rechaza_nlst", "rechaza_mdtm"):
            setattr(S, orden, int(valor or "0"))
            _responde("ok")
        else:
            _responde("error orden desconocida: " + orden)
    os._exit(0)


def main():
    parser = argparse.ArgumentParser(description="Servidor FTP de pruebas")
    parser.add_argument("raiz")
    parser.add_argument("--cuenta", action="append", default=[], help="USUARIO:CLAVE")
    parser.add_argument("--puerto", type=int, default=0)
    args = parser.parse_args()
    cuentas = [tuple(c.split(":", 1)) for c in args.cuenta] or CUENTAS

    nivel = logging.DEBUG if os.environ.get("TENDAL_FTP_TRAZA") else logging.WARNING
    logging.basicConfig(level=nivel, stream=sys.stderr, format="[servidor_ftp] %(message)s")

    servidor = crea_servidor(args.raiz, cuentas, args.puerto)
    _responde("puerto %d" % servidor.address[1])
    threading.Thread(target=_atiende_ordenes, daemon=True).start()
    servidor.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
