// The consumer's plug-in: a shared library with the static host timer
// service linked into it, as a host's plug-in would carry it. Linking it
// fails unless vo_tools2::host was built position-independent.
#ifndef VO_TOOLS_CONSUMER_PLUGIN_H_
#define VO_TOOLS_CONSUMER_PLUGIN_H_

// Arms a 20 ms one-shot wake-up on a host timer service of its own and waits
// (10 s at most) for it. True when the wakable was woken with the identifier
// its request returned.
bool Plugin_OneShotWakeUp();

#endif  // VO_TOOLS_CONSUMER_PLUGIN_H_
