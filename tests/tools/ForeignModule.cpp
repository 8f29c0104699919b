// A shared object that is not a component: it exports no entry.

extern "C" __attribute__((visibility("default"))) int BrindlexTestsNotAnEntry() {
    return 0;
}
