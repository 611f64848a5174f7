// SPDX-License-Identifier: Apache-2.0
/*
 * startup_diagnosis.h - why a file or the listening port cannot be used, as
 * short texts for the gateway's start-up failure lines ("pDb err: cannot
 * open <path>: <reason>").
 *
 * The checks run after a failure, to name its cause; they never decide
 * whether the gateway starts.
 */
#ifndef QX_APP_STARTUP_DIAGNOSIS_H
#define QX_APP_STARTUP_DIAGNOSIS_H

#include <string>

/* path made absolute against the working directory (unchanged when it
 * already is, or when the working directory cannot be read). */
std::string AbsolutePath(const std::string& path);

/* The working directory, or "." when it cannot be read. */
std::string WorkingDirectory();

/* Why path cannot be opened for reading as a regular file: the
 * errno text of the failing step ("No such file or directory", "Permission
 * denied"), or "not a regular file"; empty when it can be. */
std::string FileProblem(const std::string& path);

/* Why a TCP socket cannot listen on address:port right now (errno text of
 * the failing step); empty when it can. */
std::string ListenProblem(const std::string& address, int port);

#endif
