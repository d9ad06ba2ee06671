#include "core/oficina/ValoresPrograma.h"

QString *ValoresPrograma::carpetaServidor(const QString &columna)
{
    const QString c = columna.toLower();
    if (c == u"yex_valin")
        return &yex_valin;
    if (c == u"yex_valout")
        return &yex_valout;
    if (c == u"yex_valresp")
        return &yex_valresp;
    if (c == u"yex_pagin")
        return &yex_pagin;
    if (c == u"yex_pagout")
        return &yex_pagout;
    if (c == u"yex_pagin1")
        return &yex_pagin1;
    if (c == u"yex_pagout1")
        return &yex_pagout1;
    if (c == u"yex_sagin")
        return &yex_sagin;
    if (c == u"yex_sagout")
        return &yex_sagout;
    if (c == u"yex_apiin")
        return &yex_apiin;
    if (c == u"yex_apiout")
        return &yex_apiout;
    if (c == u"yex_update")
        return &yex_update;
    return nullptr;
}
