// The two pieces of machine code between the interpreter and native code,
// with unwind information so that the system can walk through them: an
// exception in a callee finds orv_call_native's handler, which unwinds the
// callee's frames and resumes at the recovery point below.

        .intel_syntax noprefix
        .text

// void orv_call_native(void* function, const uint64_t* slots, uint64_t count,
//                      NativeCallOutcome* outcome)
// `count` is at least 4 (the caller pads). Frame, from rbp up: 8 bytes of
// padding, the saved rdi, rsi, rbx, rbp, the return address, then the four
// home slots of our own arguments (function at rbp+48, outcome at rbp+72).
        .globl  orv_call_native
        .def    orv_call_native; .scl 2; .type 32; .endef
        .seh_proc orv_call_native
        .seh_handler orv_call_native_handler, @except
orv_call_native:
        push    rbp
        .seh_pushreg rbp
        push    rbx
        .seh_pushreg rbx
        push    rsi
        .seh_pushreg rsi
        push    rdi
        .seh_pushreg rdi
        sub     rsp, 8
        .seh_stackalloc 8
        mov     rbp, rsp
        .seh_setframe rbp, 0
        .seh_endprologue
        mov     [rbp+48], rcx
        mov     [rbp+72], r9
        mov     rsi, rdx
        mov     rdi, r8
        // Room for every slot, a multiple of 16 so the stack stays aligned;
        // each page of it touched in order first, so that a long argument
        // list grows the stack past its guard page instead of faulting.
        lea     rax, [r8*8+15]
        and     rax, -16
        call    ___chkstk_ms
        sub     rsp, rax
        xor     ecx, ecx
1:      cmp     rcx, rdi
        jae     2f
        mov     rax, [rsi+rcx*8]
        mov     [rsp+rcx*8], rax
        inc     rcx
        jmp     1b
2:      mov     rcx, [rsi]
        mov     rdx, [rsi+8]
        mov     r8, [rsi+16]
        mov     r9, [rsi+24]
        // Both register files: a variadic callee reads the integer ones.
        movq    xmm0, rcx
        movq    xmm1, rdx
        movq    xmm2, r8
        movq    xmm3, r9
        mov     r11, [rbp+48]
        call    r11
        mov     rcx, [rbp+72]
        mov     [rcx], rax
        movq    [rcx+8], xmm0
3:      lea     rsp, [rbp+8]
        pop     rdi
        pop     rsi
        pop     rbx
        pop     rbp
        ret
// The handler's unwind lands here with the exception code in rax and the
// frame's non-volatile registers as they were at the call.
        .globl  orv_call_native_recover
orv_call_native_recover:
        mov     rcx, [rbp+72]
        mov     [rcx+16], eax
        jmp     3b
        .seh_endproc

// The common entry of callback stubs: rax holds the stub. The register
// arguments go to their home slots, so that all arguments lie in one row
// above the return address, and the dispatcher gets that row and the stub.
        .globl  orv_callback_entry
        .def    orv_callback_entry; .scl 2; .type 32; .endef
        .seh_proc orv_callback_entry
orv_callback_entry:
        mov     [rsp+8], rcx
        mov     [rsp+16], rdx
        mov     [rsp+24], r8
        mov     [rsp+32], r9
        sub     rsp, 40
        .seh_stackalloc 40
        .seh_endprologue
        lea     rcx, [rsp+48]
        mov     rdx, rax
        call    orv_callback_dispatch
        add     rsp, 40
        ret
        .seh_endproc
