#include "core/envio/ReglaEnvio.h"
#include "core/oficina/CamposConfiguracion.h"

namespace {

QString baseErr(const QString &n)
{
    return ReglaEnvio::base(n) + QStringLiteral("err");
}
QString baseErp(const QString &n)
{
    return ReglaEnvio::base(n) + QStringLiteral("erp");
}
QString kResto(const QString &n)
{
    return QStringLiteral("k") + n.mid(1);
}
QString aResto(const QString &n)
{
    return QStringLiteral("a") + n.mid(1);
}
QString xResto(const QString &n)
{
    return QStringLiteral("x") + n.mid(1);
}
// "ke", characters 2 to 5, then the name from its seventh character: the
// sixth character is dropped (E0123001.045 gives ke012301.045).
QString kePago(const QString &n)
{
    return QStringLiteral("ke") + n.mid(1, 4) + n.mid(6);
}

const ReglaEnvio kReglas[] = {
    {u'M', CamposConfiguracion::val_env, &ValoresPrograma::yex_valin, CamposConfiguracion::val_rec, false, baseErr,
     kResto},
    {u'C', CamposConfiguracion::val_env, &ValoresPrograma::yex_valin, CamposConfiguracion::val_rec, false, baseErr,
     nullptr},
    {u'D', CamposConfiguracion::val_env, &ValoresPrograma::yex_valin, CamposConfiguracion::val_rec, false, baseErr,
     baseErp},
    {u'E', CamposConfiguracion::pag_env, &ValoresPrograma::yex_pagin, CamposConfiguracion::pag_rec, true, aResto,
     kePago},
    {u'S', CamposConfiguracion::sag_env, &ValoresPrograma::yex_sagin, CamposConfiguracion::sag_rec, false, xResto,
     nullptr},
};

} // namespace

const ReglaEnvio *ReglaEnvio::de(const QString &nombre, bool claveAceptada)
{
    if (nombre.isEmpty())
        return nullptr;
    const QChar letra = nombre.at(0).toUpper();
    for (const ReglaEnvio &r : kReglas)
        if (r.letra == letra)
            return r.requiereClave && !claveAceptada ? nullptr : &r;
    return nullptr;
}

QString ReglaEnvio::base(const QString &nombre)
{
    return nombre.size() > 3 ? nombre.left(nombre.size() - 3) : QString();
}
