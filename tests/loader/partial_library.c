/* A stand-in for an optional library that lacks some of its entry points:
   every export is this one function, under the names partial_library.def
   gives it. */
int PartialEntry(void) { return 42; }
