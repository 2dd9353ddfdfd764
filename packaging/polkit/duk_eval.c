/* Evaluates a JavaScript file with Duktape, the interpreter polkitd embeds, and prints
 * the value of its last expression. Duktape is loaded at run time, so nothing but its
 * shared library is needed: exit 77 when it is missing, 1 when the script fails. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

typedef void duk_context;
typedef duk_context* (*CreateHeap)(void*, void*, void*, void*, void*);
typedef void (*DestroyHeap)(duk_context*);
typedef int (*EvalRaw)(duk_context*, const char*, size_t, unsigned int);
typedef const char* (*SafeToLstring)(duk_context*, int, size_t*);

/* duktape.h: DUK_COMPILE_EVAL | DUK_COMPILE_SAFE | DUK_COMPILE_NOSOURCE |
 * DUK_COMPILE_NOFILENAME, no arguments on the stack. */
#define EVAL_FLAGS ((1U << 3) | (1U << 7) | (1U << 9) | (1U << 11))

static char* ReadAll(const char* path, size_t* length) {
    FILE* file = fopen(path, "rb");
    char* text = NULL;
    long size = 0;
    if (file == NULL || fseek(file, 0, SEEK_END) != 0 || (size = ftell(file)) < 0 ||
        fseek(file, 0, SEEK_SET) != 0 || (text = malloc((size_t)size + 1)) == NULL ||
        fread(text, 1, (size_t)size, file) != (size_t)size) {
        if (file != NULL) {
            fclose(file);
        }
        free(text);
        return NULL;
    }
    fclose(file);
    text[size] = '\0';
    *length = (size_t)size;
    return text;
}

static int Eval(duk_context* context, EvalRaw eval, SafeToLstring text, const char* source,
                size_t length, const char** result) {
    const int failed = eval(context, source, length, EVAL_FLAGS);
    *result = text(context, -1, NULL);
    return failed;
}

int main(int argc, char** argv) {
    void* library = dlopen("libduktape.so.207", RTLD_NOW);
    if (library == NULL) {
        library = dlopen("libduktape.so", RTLD_NOW);
    }
    if (argc != 2 || library == NULL) {
        return 77;
    }
    const CreateHeap create = (CreateHeap)dlsym(library, "duk_create_heap");
    const DestroyHeap destroy = (DestroyHeap)dlsym(library, "duk_destroy_heap");
    const EvalRaw eval = (EvalRaw)dlsym(library, "duk_eval_raw");
    const SafeToLstring text = (SafeToLstring)dlsym(library, "duk_safe_to_lstring");
    if (create == NULL || destroy == NULL || eval == NULL || text == NULL) {
        return 77;
    }
    duk_context* context = create(NULL, NULL, NULL, NULL, NULL);
    const char* result = NULL;
    /* The calls are declared here by hand: a sum proves they work as declared. */
    if (context == NULL || Eval(context, eval, text, "20 + 22", 7, &result) != 0 ||
        result == NULL || result[0] != '4' || result[1] != '2' || result[2] != '\0') {
        return 77;
    }
    size_t length = 0;
    char* source = ReadAll(argv[1], &length);
    if (source == NULL) {
        return 1;
    }
    const int failed = Eval(context, eval, text, source, length, &result);
    printf("%s\n", result != NULL ? result : "(null)");
    free(source);
    destroy(context);
    return failed ? 1 : 0;
}
