// Leak reports of the sanitizer stop at the media framework's own long-lived
// allocations (registry, type system, plug-in and font caches, and the
// depth-camera drivers a system plug-in loads while the registry is scanned);
// what our code leaks is still reported.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libgstreamer-1.0.so\nleak:libgstbase-1.0.so\n"
         "leak:libgstpbutils-1.0.so\nleak:libgstvideo-1.0.so\nleak:libgstaudio-1.0.so\nleak:libgstapp-1.0.so\n"
         "leak:libavcodec.so\nleak:libavutil.so\nleak:libx264.so\nleak:libpango\nleak:libfontconfig.so\n"
         "leak:libharfbuzz.so\nleak:libcairo.so\nleak:libgio-2.0.so\nleak:libgmodule-2.0.so\n"
         "leak:libgstplayback.so\nleak:libgsttypefindfunctions.so\nleak:libgstlibav.so\nleak:libgstx264.so\n"
         "leak:libgstpango.so\nleak:libgstvideoparsersbad.so\nleak:libgstcoreelements.so\n"
         "leak:libgstvideotestsrc.so\nleak:libgstapp.so\nleak:libgstcodecparsers-1.0.so\n"
         "leak:/OpenNI2/\nleak:libOpenNI2.so\n";
}
