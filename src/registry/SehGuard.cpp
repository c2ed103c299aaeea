#include "registry/SehGuard.h"

// The assembler frames and their handlers. Symbols are C-named so the
// assembler can refer to them; the i686 ones carry the leading underscore of
// that target's C names.

extern "C" {
// Returns 1 when function returned, 0 when the handler resumed the frame.
int oxcore_guarded_call(oxcore::GuardedFunction function, void* context, DWORD* exceptionCode);
}

#if defined(__x86_64__)

// Frame: 56 bytes keep the callee's stack 16-byte aligned; the callee's home
// area is 0..31(%rsp), the exception code slot pointer lives at 32(%rsp).
// The nop keeps the resume address out of anything that looks like an
// epilogue: the unwinder does not call the handler of a frame it believes
// to be leaving.
asm(R"(
    .text
    .p2align 4
    .globl oxcore_guarded_call
    .def oxcore_guarded_call; .scl 2; .type 32; .endef
    .seh_proc oxcore_guarded_call
oxcore_guarded_call:
    subq $56, %rsp
    .seh_stackalloc 56
    .seh_endprologue
    .seh_handler oxcore_guard_handler, @except
    movq %r8, 32(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
    call *%rax
    movl $1, %eax
    .globl oxcore_guard_resume
oxcore_guard_resume:
    nop
    addq $56, %rsp
    ret
    .seh_endproc
)");

extern "C" {
extern char oxcore_guard_resume[];

__attribute__((used)) EXCEPTION_DISPOSITION oxcore_guard_handler(EXCEPTION_RECORD* record, void* frame,
                                                                  CONTEXT* context, DISPATCHER_CONTEXT* dispatch) {
  if (record->ExceptionFlags & EXCEPTION_UNWIND) return ExceptionContinueSearch;
  DWORD* code = *reinterpret_cast<DWORD**>(static_cast<char*>(frame) + 32);
  if (code) *code = record->ExceptionCode;
  // Resumes at oxcore_guard_resume with rax = 0; does not come back.
  RtlUnwindEx(frame, oxcore_guard_resume, record, nullptr, context, dispatch->HistoryTable);
  return ExceptionContinueSearch;
}
}

#elif defined(__i386__)

// Registration record, at -28(%ebp): previous record, handler, the guard's
// frame pointer, the exception code slot pointer.
asm(R"(
    .text
    .p2align 4
    .globl _oxcore_guarded_call
    .def _oxcore_guarded_call; .scl 2; .type 32; .endef
_oxcore_guarded_call:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl 16(%ebp)
    pushl %ebp
    pushl $_oxcore_guard_handler
    pushl %fs:0
    movl %esp, %fs:0
    pushl 12(%ebp)
    call *8(%ebp)
    movl $1, %eax
oxcore_guard_resume_x86:
    movl -28(%ebp), %ecx
    movl %ecx, %fs:0
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .p2align 4
    .globl _oxcore_guard_resume_from
    .def _oxcore_guard_resume_from; .scl 2; .type 32; .endef
_oxcore_guard_resume_from:
    movl 4(%esp), %eax
    movl 8(%esp), %ecx
    pushl %eax
    pushl $0
    pushl %ecx
    pushl $0
    pushl %eax
    call _RtlUnwind@16
    popl %eax
    movl 8(%eax), %ebp
    xorl %eax, %eax
    cld
    jmp oxcore_guard_resume_x86
)");

extern "C" {
// Unwinds the records deeper than frame, then continues the guard frame at
// its resume point with a result of 0.
__attribute__((noreturn)) void oxcore_guard_resume_from(void* frame, EXCEPTION_RECORD* record);

struct OxGuardRecord {
  void* previous;
  void* handler;
  void* framePointer;
  DWORD* exceptionCode;
};

__attribute__((used)) EXCEPTION_DISPOSITION __cdecl oxcore_guard_handler(EXCEPTION_RECORD* record, void* frame,
                                                                          CONTEXT*, void*) {
  if (record->ExceptionFlags & EXCEPTION_UNWIND) return ExceptionContinueSearch;
  DWORD* code = static_cast<OxGuardRecord*>(frame)->exceptionCode;
  if (code) *code = record->ExceptionCode;
  oxcore_guard_resume_from(frame, record);
}
}

#else
#error "CallGuarded supports x86_64 and i686 only"
#endif

namespace oxcore {

bool CallGuarded(GuardedFunction function, void* context, DWORD* exceptionCode) noexcept {
  DWORD code = 0;
  bool returned = !function || oxcore_guarded_call(function, context, &code) != 0;
  if (exceptionCode) *exceptionCode = returned ? 0 : code;
  return returned;
}

}  // namespace oxcore
