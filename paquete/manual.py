#!/usr/bin/env python3
"""Writes the manual page tendal.1 and the bash completion of tendal from
the program's own `tendal --help`, so that a command or an option added to
the help is in both without anyone touching them.

    manual.py TENDAL VERSION FECHA SALIDA_MAN SALIDA_COMPLETADO

The help is read as the program prints it: the usage lines ("Uso: ..." and
the indented line below it), then "Comandos:" with each command's synopsis
indented by two blanks and its description by six, then "Variables: A, B".
The global options and the environment variables are described here; one
that the help names and this file does not describe stops the build, so
neither can be forgotten.
"""
import re
import subprocess
import sys

# The global options, in the order of the manual.
OPCIONES = {
    '--ini': ('ARCHIVO', 'Usa ese archivo de inicio en lugar de buscar \\fBTendal.ini\\fR.'),
    '--workdir': ('CARPETA', 'Carpeta de trabajo de la oficina (la de los archivos temporales y '
                             'los reportes) en lugar de la que dice el archivo de inicio.'),
    '--help': (None, 'Escribe la ayuda de los comandos y termina.'),
    '--version': (None, 'Escribe la versión del programa y termina.'),
}

VARIABLES = {
    'TENDAL_INI': 'El archivo de inicio cuando no se da \\fB\\-\\-ini\\fR.',
    'TENDAL_WORKDIR': 'La carpeta de trabajo cuando no se da \\fB\\-\\-workdir\\fR.',
    'TENDAL_CLAVE_FTP': 'La contraseña FTP que \\fBtendal init\\fR guarda cuando no se da '
                        '\\fB\\-\\-clave\\-ftp\\fR.',
    'TENDAL_CLAVE_PAGO': 'La contraseña de pago electrónico que \\fBtendal init\\fR guarda cuando no se '
                         'da \\fB\\-\\-clave\\-pago\\fR, y que \\fBtendal enviar\\fR confirma sin '
                         'preguntarla.',
}

# Values of options and arguments that name a folder or a file, for the
# completion.
CARPETAS = {'CARPETA', 'DIR'}
ARCHIVOS = {'ARCHIVO'}


def falla(texto):
    sys.exit(f'manual.py: {texto}')


def lee_ayuda(tendal):
    r = subprocess.run([tendal, '--help'], capture_output=True, text=True, encoding='utf-8')
    if r.returncode != 0:
        falla(f'{tendal} --help terminó con {r.returncode}: {r.stderr}')
    lineas = r.stdout.splitlines()
    uso, comandos, variables = [], [], []
    estado = 'uso'
    for linea in lineas:
        if linea.startswith('Comandos:'):
            estado = 'comandos'
        elif linea.startswith('Variables:'):
            variables = [v.strip() for v in linea.split(':', 1)[1].split(',') if v.strip()]
            estado = 'fin'
        elif estado == 'uso':
            uso.append(linea)
        elif estado == 'comandos' and linea.startswith('      '):
            if not comandos:
                falla(f'descripción sin comando: {linea!r}')
            comandos[-1]['descripcion'].append(linea.strip())
        elif estado == 'comandos' and linea.startswith('  ') and linea.strip():
            sinopsis = linea.strip()
            comandos.append({'nombre': sinopsis.split()[0], 'sinopsis': sinopsis, 'descripcion': []})
    if not comandos:
        falla('la ayuda no lista ningún comando')
    globales = []
    for linea in uso:
        for o in re.findall(r'(?<![\w-])--[a-z][a-z0-9-]*', linea):
            if o not in globales:
                globales.append(o)
    for o in globales:
        if o not in OPCIONES:
            falla(f'la opción global {o} de la ayuda no está descrita en paquete/manual.py')
    for v in variables:
        if v not in VARIABLES:
            falla(f'la variable {v} de la ayuda no está descrita en paquete/manual.py')
    for c in comandos:
        c['opciones'] = opciones(c['sinopsis'])
        c['argumentos'] = [t for t in c['sinopsis'].split()[1:] if re.fullmatch(r'\[?[A-Z]+\]?', t)]
    return globales, comandos, variables


def opciones(sinopsis):
    """The options of a synopsis, each with the name of its value (or None)."""
    fichas = re.findall(r'--[a-z][a-z0-9-]*|[A-Z][A-Z_=]*|[^\s\[\]|.]+', sinopsis)
    resultado = {}
    for i, f in enumerate(fichas):
        if f.startswith('--'):
            siguiente = fichas[i + 1] if i + 1 < len(fichas) else ''
            resultado[f] = siguiente if re.fullmatch(r'[A-Z]+', siguiente) else None
    return resultado


def roff(texto):
    """Plain text as roff: backslashes, minus signs and a leading dot."""
    texto = texto.replace('\\', '\\e').replace('-', '\\-')
    if texto.startswith(('.', "'")):
        texto = '\\&' + texto
    return texto


def sinopsis_roff(s):
    """Options in bold, values in italics."""
    partes = re.split(r'(--[a-z][a-z0-9-]*|\b[A-Z]+\b)', s)
    salida = ''
    for p in partes:
        if p.startswith('--'):
            salida += '\\fB' + roff(p) + '\\fR'
        elif re.fullmatch(r'[A-Z]+', p):
            salida += '\\fI' + p + '\\fR'
        else:
            salida += roff(p)
    return salida


def manual(version, fecha, globales, comandos, variables):
    m = []
    m.append(f'.TH TENDAL 1 "{fecha}" "Tendal {version}" "Manual de Tendal"')
    m.append('.\\" Generated from `tendal --help` by paquete/manual.py.')
    m.append('.nh')
    m.append('.SH NOMBRE')
    m.append('tendal \\- envía los archivos julianos de una patente al servidor de validación y muestra sus '
             'reportes de revisión')
    m.append('.SH SINOPSIS')
    m.append('.B tendal')
    m.append('.RB [ \\-\\-ini')
    m.append('.IR ARCHIVO ]')
    m.append('.RB [ \\-\\-workdir')
    m.append('.IR CARPETA ]')
    m.append('.RI [ COMANDO')
    m.append('.RI [ opciones ]]')
    m.append('.br')
    m.append('.B tendal')
    m.append('.BR \\-\\-help " | " \\-\\-version')
    m.append('.SH DESCRIPCIÓN')
    m.append('Tendal es el cliente de enlace de la oficina de un agente aduanal. Lista los archivos julianos '
             'del día de la patente en las carpetas de envío, los envía por FTP al servidor de prevalidación '
             'y validación, recoge las respuestas, las guarda en las carpetas de recepción y muestra cada '
             'respuesta como un reporte de revisión, con cada código de error buscado en el catálogo local.')
    m.append('.PP')
    m.append('Sin comando abre la ventana principal. Con un comando trabaja sin ventana: los mensajes del '
             'sistema se escriben en la salida de errores y el estado de salida es 0 cuando el comando '
             'terminó bien.')
    m.append('.SH OPCIONES')
    for o in globales:
        valor, texto = OPCIONES[o]
        m.append('.TP')
        m.append(f'.BI {roff(o)} " {valor}"' if valor else f'.B {roff(o)}')
        m.append(texto)
    m.append('.SH COMANDOS')
    for c in comandos:
        m.append('.TP')
        resto = c['sinopsis'][len(c['nombre']):]
        m.append('\\fB' + roff(c['nombre']) + '\\fR' + sinopsis_roff(resto))
        m.append(roff(' '.join(c['descripcion'])))
    m.append('.SH VARIABLES DE ENTORNO')
    for v in variables:
        m.append('.TP')
        m.append(f'.B {v}')
        m.append(VARIABLES[v])
    m.append('.SH ARCHIVOS')
    m.append('.TP')
    m.append('.I ~/.config/tendal/Tendal.ini')
    m.append('El archivo de inicio: su primera línea dice en qué carpeta está la base de datos de la oficina. '
             'Se busca, en este orden, en \\fB\\-\\-ini\\fR, en \\fBTENDAL_INI\\fR, junto al programa y en '
             'esta ruta. \\fBtendal init\\fR lo crea.')
    m.append('.TP')
    m.append('.I Prevalida.db')
    m.append('La base de datos de la oficina (SQLite), en su carpeta de datos, con las carpetas de envío y '
             'de recepción de cada tipo de archivo.')
    m.append('.SH EJEMPLOS')
    m.append('Crear la oficina de la patente 123, una sola vez:')
    m.append('.PP')
    m.append('.nf')
    m.append('.RS')
    m.append('tendal init \\-\\-patente 123 \\-\\-agente "AGENCIA ADUANAL, S.C." \\e')
    m.append('    \\-\\-servidor validacion.ejemplo.mx \\-\\-carpeta\\-datos ~/tendal/datos')
    m.append('.RE')
    m.append('.fi')
    m.append('.PP')
    m.append('Enviar los archivos julianos del día y esperar sus respuestas:')
    m.append('.PP')
    m.append('.nf')
    m.append('.RS')
    m.append('TENDAL_CLAVE_PAGO=... tendal enviar')
    m.append('.RE')
    m.append('.fi')
    m.append('.SH ESTADO DE SALIDA')
    m.append('0 cuando el comando terminó bien, 1 cuando falló (el mensaje dice por qué) y 2 cuando la línea '
             'de comandos no es válida.')
    return '\n'.join(m) + '\n'


def completado(globales, comandos):
    nombres = ' '.join(c['nombre'] for c in comandos)
    con_valor = [o for o in globales if OPCIONES[o][0]]
    casos = []
    for c in comandos:
        palabras = ' '.join(list(c['opciones']) + [o for o in con_valor if o not in c['opciones']])
        archivos = '1' if any(a.strip('[]') in ARCHIVOS for a in c['argumentos']) else ''
        casos.append(f'        {c["nombre"]}) opciones="{palabras}"; archivos="{archivos}" ;;')
    valores_carpeta, valores_archivo, valores_otro = set(), set(), set()
    for o in con_valor:
        (valores_carpeta if OPCIONES[o][0] in CARPETAS else valores_archivo).add(o)
    for c in comandos:
        for o, v in c['opciones'].items():
            if v in CARPETAS:
                valores_carpeta.add(o)
            elif v in ARCHIVOS:
                valores_archivo.add(o)
            elif v:
                valores_otro.add(o)
    patron = lambda s: '|'.join(sorted(s)) or '--sin-opciones--'
    return f'''# bash completion for tendal -*- shell-script -*-
# Generated from `tendal --help` by paquete/manual.py.

_tendal()
{{
    local cur prev words cword
    _init_completion || return

    local i comando=""
    for ((i = 1; i < cword; i++)); do
        case ${{words[i]}} in
            {'|'.join(con_valor) or '--sin-opciones--'}) ((i++)) ;;
            -*) ;;
            *) comando=${{words[i]}}; break ;;
        esac
    done

    case $prev in
        {patron(valores_carpeta)}) _filedir -d; return ;;
        {patron(valores_archivo)}) _filedir; return ;;
        {patron(valores_otro)}) return ;;
    esac

    if [[ -z $comando ]]; then
        COMPREPLY=($(compgen -W "{nombres} {' '.join(globales)}" -- "$cur"))
        return
    fi

    local opciones="" archivos=""
    case $comando in
{chr(10).join(casos)}
        *) return ;;
    esac
    if [[ $cur == -* || -z $archivos ]]; then
        COMPREPLY=($(compgen -W "$opciones" -- "$cur"))
    else
        _filedir
    fi
}} &&
    complete -F _tendal tendal
'''


def main():
    if len(sys.argv) != 6:
        falla('uso: manual.py TENDAL VERSION FECHA SALIDA_MAN SALIDA_COMPLETADO')
    tendal, version, fecha, salida_man, salida_completado = sys.argv[1:]
    globales, comandos, variables = lee_ayuda(tendal)
    with open(salida_man, 'w', encoding='utf-8') as f:
        f.write(manual(version, fecha, globales, comandos, variables))
    with open(salida_completado, 'w', encoding='utf-8') as f:
        f.write(completado(globales, comandos))


if __name__ == '__main__':
    main()
