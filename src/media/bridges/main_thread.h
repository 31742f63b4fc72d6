// Running calls on the main thread.
//
// The main thread is the one that called InitMainThread; it must do so before
// any function here is used. Using them earlier, or calling InitMainThread
// from a second thread, is a programming error: the process prints why and
// aborts rather than guess which thread is the main one. Calls from other
// threads are queued
// and wait until the main thread serves them: from its event loop (the GUI
// installs a waker that posts to its loop, which then calls
// ServeMainThreadCalls) or while it waits in WaitServingMainThreadCalls.
//
// Shutdown rule: once ShutdownMainThreadCalls has run, queued and later
// calls from other threads are not run; their callers return false at once.
// The front end calls it before it tears down (after that, only joining its
// threads is left); it also runs when the process's statics are destroyed,
// so a worker that is still waiting is released rather than left hanging.
#pragma once

#include <chrono>
#include <functional>

namespace media {

// Makes the calling thread the main thread and re-opens the queue; later
// calls must come from that same thread.
void InitMainThread();
bool IsMainThread();

// Runs the call on the main thread: directly when already there, else queued
// while the calling thread waits. An exception thrown by the call reaches the
// caller. Returns false when the call was dropped because of shutdown.
bool CallInMainThread(const std::function<void()>& call);

// Serves the queued calls; does nothing on other threads. Returns how many ran.
int ServeMainThreadCalls();

// Serves queued calls until done() holds or the timeout passes; returns
// done()'s last value. On other threads it only waits.
bool WaitServingMainThreadCalls(const std::function<bool()>& done,
                                std::chrono::milliseconds timeout);

// Called (on the queuing thread) whenever a call has been queued.
void SetMainThreadWaker(std::function<void()> waker);

void ShutdownMainThreadCalls();

}  // namespace media
