/* A caller built for the MSVC ABI without any SDK: it declares the exports
 * itself and links the import library, nothing else (no C runtime). Its exit
 * code is 40 plus IsConnected's answer read from the whole of EAX, so that
 * an import that fails to bind, or an answer with high bits set, shows. */
__declspec(dllimport) unsigned int __stdcall IsConnected(void);
__declspec(dllimport) unsigned int __stdcall DeleteALL(void);

int __stdcall Start(void) {
    /* Taken, not called: the import of DeleteALL must bind too. */
    unsigned int(__stdcall* volatile deleteAll)(void) = DeleteALL;
    return deleteAll ? 40 + (int)IsConnected() : 1;
}
