// SPDX-License-Identifier: Apache-2.0
/*
 * hangup_reload.cpp - see hangup_reload.h.
 */
#include "hangup_reload.h"

#include <utility>

void HangupReload::Add(Hook hook)
{
    m_hooks.push_back(std::move(hook));
}

std::string HangupReload::Run() const
{
    std::string line = "SIGHUP: ";
    if (m_hooks.empty())
        line += "nothing to re-read; ";
    for (const Hook& hook : m_hooks)
        line += hook() + "; ";
    return line + "qxSvr.ini changes need a restart";
}
