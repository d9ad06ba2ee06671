// Not a test: runs one receive tick on an office and stops for good at a
// given step of storing its responses (AlmacenRespuesta::Paso), so that a
// test can kill it there.
//
//   HijoRecepcion CARPETA_TRABAJO TENDAL_INI PASO

#include "core/base/Reloj.h"
#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"
#include "tests/soporte/DialogosGuion.h"
#include "tests/soporte/Detencion.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 4)
        return 2;
    RelojFijo reloj(QDateTime(QDate(2026, 2, 14), QTime(10, 31, 0)));
    DialogosGuion dialogos;
    Programa programa(Carpetas(a[1], a[2]), reloj, dialogos, ClienteFtp::Limites {5, 1, 5});
    programa.carga();
    CicloRecepcion ciclo(programa);
    const int pausa = a[3].toInt();
    ciclo.almacen().trasPaso = [pausa](AlmacenRespuesta::Paso paso) {
        if (int(paso) != pausa)
            return;
        detenteTrasAnunciar("pausa " + QByteArray::number(pausa));
    };
    QCoro::waitFor(ciclo.tick());
    return 0;
}
