#include "ProcEvent.h"

bool CProcEvent::WaitProcEvent(const wchar_t*) { return false; }

bool CProcEvent::WaitProcEventEx(const wchar_t*, BOOL) { return false; }

bool CProcEvent::SetProcEvent(const wchar_t*) { return false; }

void CProcEvent::CloseProcEvent() {}

void CProcEvent::Release() { delete this; }
