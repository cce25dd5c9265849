// The wizard's dialog procedures and the routines they share.
#pragma once

#include <cstdint>

#include "platform/dialog.h"

intptr_t WarningDialogProc(PlatWindow dialog, uint32_t message,
                           uintptr_t wparam, intptr_t lparam);
intptr_t AddressDialogProc(PlatWindow dialog, uint32_t message,
                           uintptr_t wparam, intptr_t lparam);
intptr_t PasswordDialogProc(PlatWindow dialog, uint32_t message,
                            uintptr_t wparam, intptr_t lparam);
intptr_t ConfirmDialogProc(PlatWindow dialog, uint32_t message,
                           uintptr_t wparam, intptr_t lparam);
intptr_t ConnectingDialogProc(PlatWindow dialog, uint32_t message,
                              uintptr_t wparam, intptr_t lparam);
intptr_t AbortOnlyDialogProc(PlatWindow dialog, uint32_t message,
                             uintptr_t wparam, intptr_t lparam);
intptr_t SuccessDialogProc(PlatWindow dialog, uint32_t message,
                           uintptr_t wparam, intptr_t lparam);

// Moves the window to the centre of the primary screen.
void CenterWindow(PlatWindow window);

// Parses a dotted-quad address (separators '.' or '*'). Returns 0 when
// valid, with the address (host byte order) in *address; otherwise 1 (a
// number above 255), 2 (more than four numbers), 3 (fewer than four), 4
// (fewer than 7 or more than 15 characters) or 5 (another character), and
// *address is 0.
int ParseIPv4Address(const char* text, uint32_t* address);

// Makes a fresh file name "/dux%x.bi%d" from the next random number and the
// given stage digit.
void MakeTftpFileName(char* out, int capacity, uint32_t stage);
