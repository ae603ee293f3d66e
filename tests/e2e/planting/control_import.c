/* The attack without the stub's defence: a program that imports winhttp.dll statically, as any
   program may that has no reason to fear its own folder. It is linked against the marker's
   import library, so it starts only when the loader takes the marker winhttp.dll from the
   program's folder; the system's copy lacks corvald_marker_probe. */
__declspec(dllimport) int corvald_marker_probe(void);

int main(void) { return corvald_marker_probe(); }
