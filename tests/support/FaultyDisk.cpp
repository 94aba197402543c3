#include "FaultyDisk.h"

#include <QFile>

#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

struct State
{
    sqlite3_vfs* real = nullptr;
    bool armed = false;
    qint64 budget = 0;
    int error = SQLITE_FULL;
    bool refused = false;
    QList<FaultyDisk::MadeFile> made;
};

State& state()
{
    static State s;
    return s;
}

// A file of the faulty disk: our methods first, the real file behind them.
struct FaultyFile
{
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<FaultyFile*>(f)->real;
}

// Whether n bytes may be written; uses up the budget. A full disk still
// takes what overwrites bytes that are there (it has the room for them);
// a broken one takes nothing.
bool mayWrite(qint64 n, bool grows)
{
    State& s = state();
    if (!s.armed)
        return true;
    if (s.budget >= n) {
        s.budget -= n;
        return true;
    }
    s.budget = 0;
    if (s.error == SQLITE_FULL && !grows)
        return true;
    s.refused = true;
    return false;
}

bool broken()
{
    return state().armed && state().refused && state().error != SQLITE_FULL;
}

int refusal(int ioCode)
{
    return state().error == SQLITE_FULL ? SQLITE_FULL : ioCode;
}

int xClose(sqlite3_file* f)
{
    const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
    sqlite3_free(real(f));
    return rc;
}
int xRead(sqlite3_file* f, void* p, int n, sqlite3_int64 at)
{
    return real(f)->pMethods->xRead(real(f), p, n, at);
}
int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 at)
{
    sqlite3_int64 size = 0;
    real(f)->pMethods->xFileSize(real(f), &size);
    if (!mayWrite(n, at + n > size))
        return refusal(SQLITE_IOERR_WRITE);
    return real(f)->pMethods->xWrite(real(f), p, n, at);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    if (broken())
        return SQLITE_IOERR_TRUNCATE;
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags)
{
    // A disk that failed a write cannot promise the rest is on it.
    if (broken())
        return SQLITE_IOERR_FSYNC;
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int level)
{
    return real(f)->pMethods->xLock(real(f), level);
}
int xUnlock(sqlite3_file* f, int level)
{
    return real(f)->pMethods->xUnlock(real(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int xShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** p)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, p);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f)
{
    real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file* f, int deleteFlag)
{
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
// Memory mapping would let SQLite write past xWrite: left out (iVersion 2).
const sqlite3_io_methods Methods = {2,
                                    xClose,
                                    xRead,
                                    xWrite,
                                    xTruncate,
                                    xSync,
                                    xFileSize,
                                    xLock,
                                    xUnlock,
                                    xCheckReservedLock,
                                    xFileControl,
                                    xSectorSize,
                                    xDeviceCharacteristics,
                                    xShmMap,
                                    xShmLock,
                                    xShmBarrier,
                                    xShmUnmap,
                                    nullptr,
                                    nullptr};

int xOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    sqlite3_vfs* underlying = state().real;
    auto* f = reinterpret_cast<FaultyFile*>(file);
    f->base.pMethods = nullptr;
    f->real = static_cast<sqlite3_file*>(sqlite3_malloc(underlying->szOsFile));
    if (!f->real)
        return SQLITE_NOMEM;
    std::memset(f->real, 0, size_t(underlying->szOsFile));
    const int rc = underlying->xOpen(underlying, name, f->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        sqlite3_free(f->real);
        f->real = nullptr;
        return rc;
    }
    f->base.pMethods = &Methods;
    Q_UNUSED(vfs);
    struct stat info
    {
    };
    if (name && (flags & SQLITE_OPEN_CREATE) && ::stat(name, &info) == 0)
        state().made.append({QFile::decodeName(name), int(info.st_mode & 07777)});
    return SQLITE_OK;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    return state().real->xDelete(state().real, name, syncDir);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out)
{
    return state().real->xAccess(state().real, name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out)
{
    return state().real->xFullPathname(state().real, name, n, out);
}
void* xDlOpen(sqlite3_vfs*, const char* name)
{
    return state().real->xDlOpen(state().real, name);
}
void xDlError(sqlite3_vfs*, int n, char* out)
{
    state().real->xDlError(state().real, n, out);
}
void (*xDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void)
{
    return state().real->xDlSym(state().real, handle, symbol);
}
void xDlClose(sqlite3_vfs*, void* handle)
{
    state().real->xDlClose(state().real, handle);
}
int xRandomness(sqlite3_vfs*, int n, char* out)
{
    return state().real->xRandomness(state().real, n, out);
}
int xSleep(sqlite3_vfs*, int microseconds)
{
    return state().real->xSleep(state().real, microseconds);
}
int xCurrentTime(sqlite3_vfs*, double* out)
{
    return state().real->xCurrentTime(state().real, out);
}
int xGetLastError(sqlite3_vfs*, int n, char* out)
{
    return state().real->xGetLastError(state().real, n, out);
}
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out)
{
    return state().real->xCurrentTimeInt64(state().real, out);
}

sqlite3_vfs& faultyVfs()
{
    static sqlite3_vfs vfs = {
        2,           0,       1024,          nullptr,       "kalvindo-faulty", nullptr, xOpen,
        xDelete,     xAccess, xFullPathname, xDlOpen,       xDlError,          xDlSym,  xDlClose,
        xRandomness, xSleep,  xCurrentTime,  xGetLastError, xCurrentTimeInt64, nullptr, nullptr,
        nullptr};
    return vfs;
}

} // namespace

FaultyDisk::FaultyDisk()
{
    sqlite3_initialize();
    State& s = state();
    s = State{};
    s.real = sqlite3_vfs_find(nullptr);
    sqlite3_vfs& vfs = faultyVfs();
    vfs.szOsFile = int(sizeof(FaultyFile));
    vfs.mxPathname = s.real->mxPathname;
    sqlite3_vfs_register(&vfs, 1);
}

FaultyDisk::~FaultyDisk()
{
    heal();
    sqlite3_vfs_unregister(&faultyVfs());
}

void FaultyDisk::failAfter(qint64 bytes, Failure failure)
{
    State& s = state();
    s.armed = true;
    s.budget = bytes;
    s.refused = false;
    s.error = failure == Failure::Full ? SQLITE_FULL : SQLITE_IOERR_WRITE;
}

void FaultyDisk::heal()
{
    state().armed = false;
    state().refused = false;
}

bool FaultyDisk::refused() const
{
    return state().refused;
}

QList<FaultyDisk::MadeFile> FaultyDisk::madeFiles() const
{
    return state().made;
}
