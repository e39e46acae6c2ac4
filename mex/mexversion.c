/* The build marker MATLAB asks a MEX library for before it calls
 * mexFunction; every extension function links this file. The text names
 * the MEX interface generation the library was built for: the Mac build
 * carries the newer marker. */
const char *mexVersion(void);

const char *mexVersion(void)
{
#if defined(__APPLE__)
  return "MATLAB R14 native";
#else
  return "MATLAB R12 native";
#endif
}
