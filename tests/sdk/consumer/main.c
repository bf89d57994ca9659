/* A host program built against an installed library: it must find the header, link and
   load the library, and create an instance. */
#include <tenvik_sdk.h>

#if TENVIK_SDK_VERSION_MAJOR != 1
#error "the installed header is of another major version"
#endif

int main(void) {
    TenvikSDK* sdk = TenvikSDK_create("3.6.62", 6);
    int created = sdk != NULL;
    TenvikSDK_destroy(sdk);
    return created ? 0 : 1;
}
