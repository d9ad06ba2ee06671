#include "app/Escritorio.h"

#include "core/Carpetas.h"
#include "core/Dialogos.h"
#include "core/ErrorTendal.h"
#include "core/Programa.h"
#include "core/Reloj.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>

namespace {

class DialogosInicio : public Dialogos
{
public:
    Respuesta mensaje(const QString &texto, const QString &titulo, Icono, Botones) override
    {
        QMessageBox::critical(nullptr, titulo, texto);
        return Respuesta::Aceptar;
    }
    std::optional<QString> pideClave() override { return std::nullopt; }
};

QString valorOpcion(const QStringList &args, const QString &nombre)
{
    const qsizetype i = args.indexOf(nombre);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

} // namespace

namespace Escritorio {

int ejecuta(QApplication &app, const QStringList &args)
{
    RelojSistema reloj;
    DialogosInicio dialogos;
    Programa programa(Carpetas::resuelve(valorOpcion(args, QStringLiteral("--ini")), valorOpcion(args, QStringLiteral("--workdir"))),
                      reloj, dialogos);
    try {
        programa.carga();
    } catch (const ErrorTendal &e) {
        QTextStream(stderr) << e.descripcion() << Qt::endl;
        dialogos.error(e.descripcion());
        return 1;
    }
    return app.exec();
}

} // namespace Escritorio
