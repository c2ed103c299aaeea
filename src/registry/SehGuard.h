// CallGuarded: runs a function and turns any structured exception that
// escapes it into a false result, the way a __try/__except block with
// EXCEPTION_EXECUTE_HANDLER would. GCC has no __try, so the guard is a small
// assembler frame that carries an exception handler of its own:
//
// - x86_64: the frame's unwind information names a language handler
//   (.seh_handler). The dispatcher reaches it only after every deeper frame
//   declined the exception; the handler then calls RtlUnwindEx on its own
//   frame, which runs the termination handlers of the frames in between
//   (C++ destructors included) and resumes right after the guarded call, as
//   if it had returned.
// - i686: the frame pushes a registration record on the thread's handler
//   chain (fs:[0]). The handler unwinds the deeper records with RtlUnwind,
//   then resumes the guard frame from the frame pointer saved in the record;
//   the guard pops its record on both ways out.
//
// Handlers deeper in the stack keep their say: an exception that the guarded
// code (or the platform's loader, which catches exceptions of library entry
// points) handles itself never reaches the guard. Nothing is registered
// process-wide and nothing stays behind after a call; guards nest and any
// number of threads may use them at once.
//
// Limits:
// - The guarded code must not let C++ exceptions escape: x86_64 would catch
//   them here without freeing the exception object; on i686 (DWARF
//   unwinding) they cannot cross the assembler frame and terminate.
// - State that the abandoned code left half-changed (locks it held, objects
//   it was building) stays as it was left, as after any caught fault.
// - A caught stack overflow leaves the stack without its guard page, so a
//   second overflow on that thread ends the process.
// - On i686 the handler is not listed in a SafeSEH table (the toolchain makes
//   none), so images that demand one are not supported.
#ifndef OXCORE_REGISTRY_SEHGUARD_H
#define OXCORE_REGISTRY_SEHGUARD_H

#include <windows.h>

namespace oxcore {

using GuardedFunction = void (*)(void* context);

// Calls function(context) on the calling thread. True when it returned
// normally (or function is null: nothing to run); false when a structured
// exception escaped it. exceptionCode, when given, receives the exception's
// code, or 0 when none escaped.
bool CallGuarded(GuardedFunction function, void* context, DWORD* exceptionCode = nullptr) noexcept;

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_SEHGUARD_H
