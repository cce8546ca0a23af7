/* A host written in C: it loads the module with dlopen, reaches the factory
 * and the filters through their tables of operations, builds and reads
 * parameter values with the platform's VARIANT and BSTR functions, frees what
 * the module hands out with CoTaskMemFree, and then either unloads the module
 * or simply returns from main, as most hosts and language bindings do.
 *
 *   c_host MODULE keep|unload
 *
 * Exit status 0 when every step worked. Like a language binding, it links
 * nothing of ours: it finds the platform's functions under their plain C
 * names among what the module brought in. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <uchar.h>

typedef char16_t WCHAR;
typedef int32_t HRESULT;

typedef struct {
  uint16_t vt, r1, r2, r3;
  union {
    int32_t lVal;
    WCHAR* bstrVal;
    void* pair[2];
  } u;
} VARIANT;
enum { VT_I4 = 3, VT_BSTR = 8 };

typedef struct {
  WCHAR name[34];
  WCHAR filePath[260];
  int32_t filterKind;
} FilterInfo;

typedef struct {
  WCHAR name[30];
  int32_t typeId;
  WCHAR typeName[30];
} ParameterDesc;

/* The platform library's functions, found by name at run time. */
static struct {
  void (*CoTaskMemFree)(void* block);
  WCHAR* (*SysAllocString)(const WCHAR* text);
  unsigned (*SysStringLen)(WCHAR* text);
  void (*VariantInit)(VARIANT* v);
  HRESULT (*VariantClear)(VARIANT* v);
  HRESULT (*VariantChangeType)(VARIANT* dst, const VARIANT* src, uint16_t flags, uint16_t vt);
} os;

static int findPlatformFunctions(void* module) {
  static const char* const names[] = {"CoTaskMemFree", "SysAllocString", "SysStringLen",
                                      "VariantInit", "VariantClear", "VariantChangeType"};
  void** slots = (void**)&os;
  for (unsigned i = 0; i < sizeof names / sizeof names[0]; ++i) {
    slots[i] = dlsym(module, names[i]);
    if (!slots[i]) {
      fprintf(stderr, "c_host: no function named %s\n", names[i]);
      return 1;
    }
  }
  return 0;
}

/* An object is a pointer to its table of operations. */
typedef void (*Slot)(void);
typedef struct {
  const Slot* table;
} Object;

/* Factory: getFilterInfo, createFilter, getVersion. */
typedef _Bool (*GetFilterInfoFn)(Object*, unsigned, FilterInfo*);
typedef Object* (*CreateFilterFn)(Object*, const WCHAR*);
/* Filter, primary table: QueryInterface, AddRef, Release, transform_,
 * getTransformOutputTypes_, checkInputType_, getSupportedInputTypes_, ... */
typedef HRESULT (*QueryInterfaceFn)(Object*, const void* iid, void** ppv);
typedef uint32_t (*ReleaseFn)(Object*);
typedef HRESULT (*GetSupportedInputTypesFn)(Object*, void** ppTypes, int32_t* pCount);
/* Parameter table: the virtual destructor fills its first two entries (the
 * C++ ABI of this platform gives a virtual destructor two), then
 * getParameter, lock, unlock, hasDialog, callDialog, getParameterDesc,
 * setParameter, setData, getDataSize, getData, saveParameters,
 * restoreParameters. */
enum { kGetParameter = 2, kGetParameterDesc = 7, kSetParameter = 8, kSaveParameters = 12 };
typedef int32_t (*GetParameterFn)(Object*, const WCHAR*, VARIANT*);
typedef _Bool (*GetParameterDescFn)(Object*, unsigned, ParameterDesc*);
typedef int32_t (*SetParameterFn)(Object*, const WCHAR*, const VARIANT*);
typedef int32_t (*SaveParametersFn)(Object*, WCHAR**);

static const unsigned char kIidParameterCtrl[16] = {0x00, 0x16, 0xA7, 0x5E, 0xEF, 0xB1, 0x0E, 0x43,
                                                    0x96, 0x72, 0xD1, 0x6F, 0x23, 0x1C, 0x8A, 0x9B};

static int fail(const char* what) {
  fprintf(stderr, "c_host: %s\n", what);
  return 1;
}

/* Reads the first parameter back into a text VARIANT and writes that text. */
static int exerciseParameters(Object* params) {
  ParameterDesc desc;
  if (!((GetParameterDescFn)params->table[kGetParameterDesc])(params, 0, &desc)) return 0; /* none */
  VARIANT value;
  os.VariantInit(&value);
  value.vt = VT_BSTR;
  value.u.bstrVal = os.SysAllocString(u"0");
  if (((GetParameterFn)params->table[kGetParameter])(params, desc.name, &value) != 0) return fail("getParameter");
  VARIANT text;
  os.VariantInit(&text);
  if (os.VariantChangeType(&text, &value, 0, VT_BSTR) != 0 || os.SysStringLen(text.u.bstrVal) == 0)
    return fail("VariantChangeType");
  if (((SetParameterFn)params->table[kSetParameter])(params, desc.name, &text) != 0) return fail("setParameter");
  os.VariantClear(&text);
  os.VariantClear(&value);

  WCHAR* saved = NULL;
  if (((SaveParametersFn)params->table[kSaveParameters])(params, &saved) != 0 || !saved) return fail("saveParameters");
  os.CoTaskMemFree(saved);
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 3) return fail("usage: c_host MODULE keep|unload");
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!module) return fail(dlerror());
  if (findPlatformFunctions(module)) return 1;
  Object* (*getFilterFactory)(void) = (Object * (*)(void)) dlsym(module, "getFilterFactory");
  Object* factory = getFilterFactory ? getFilterFactory() : NULL;
  if (!factory) return fail("no factory");

  FilterInfo info;
  unsigned made = 0;
  for (unsigned i = 0; ((GetFilterInfoFn)factory->table[0])(factory, i, &info); ++i) {
    Object* filter = ((CreateFilterFn)factory->table[1])(factory, info.name);
    if (!filter) return fail("createFilter");
    void* types = NULL;
    int32_t count = 0;
    if (((GetSupportedInputTypesFn)filter->table[6])(filter, &types, &count) != 0 || count <= 0)
      return fail("getSupportedInputTypes_");
    os.CoTaskMemFree(types);
    void* params = NULL;
    if (((QueryInterfaceFn)filter->table[0])(filter, kIidParameterCtrl, &params) != 0) return fail("QueryInterface");
    if (exerciseParameters((Object*)params)) return 1;
    if (((ReleaseFn)filter->table[2])(filter) != 0) return fail("Release");
    ++made;
  }
  if (made != 5) return fail("expected five filters");

  if (strcmp(argv[2], "unload") == 0 && dlclose(module) != 0) return fail(dlerror());
  return 0;
}
