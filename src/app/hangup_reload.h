// SPDX-License-Identifier: Apache-2.0
/*
 * hangup_reload.h - what a SIGHUP re-reads while the gateway keeps serving.
 *
 * The main thread runs Run() between two passes of its loop after a SIGHUP
 * (never in the signal handler), so a hook may allocate, read files and
 * print. A hook re-reads one thing that can change safely under running
 * connections (for example TLS certificates) and returns a short text for
 * the console line. qxSvr.ini is not one of them: its keys shape the images,
 * the served tables and the listening socket, so it needs a restart, and the
 * line says so.
 *
 * Console line, one per SIGHUP:
 *   "SIGHUP: nothing to re-read; qxSvr.ini changes need a restart"
 *   "SIGHUP: <text of hook 1>; <text of hook 2>; qxSvr.ini changes need a restart"
 *
 * Threads: the main thread only.
 */
#ifndef QX_APP_HANGUP_RELOAD_H
#define QX_APP_HANGUP_RELOAD_H

#include <functional>
#include <string>
#include <vector>

class HangupReload
{
  public:
    /* Re-reads one thing; returns what it did ("certificates re-read") or
     * why it could not (the old state then stays in use). */
    using Hook = std::function<std::string()>;

    /* Adds a hook; hooks run in the order they were added. */
    void Add(Hook hook);
    /* Runs every hook and returns the console line (without newline). */
    std::string Run() const;

  private:
    std::vector<Hook> m_hooks;
};

#endif
