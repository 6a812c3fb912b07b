/* SIMULATOR: a USB printer bus driver for tests, never for a real PC.
 *
 * A root-enumerated bus device stands in for the USB host controller.  For
 * every printer plugged in through the control device it reports a raw
 * child USB\VID_vvvv&PID_pppp\<serial>, which behaves towards programs as
 * the Windows USB printing driver's device does: it registers and enables
 * the USB printer interface, writes its port number under the interface's
 * Device Parameters key and answers the IEEE 1284 device ID request as it
 * was told to.  Once started it reports in turn a child with the printer's
 * USBPRINT\ hardware ID, on which a printer driver can be installed.
 *
 * Everything runs at passive level inside Wine's device host; one spin lock
 * guards the printer table and the pending requests all the same, so the
 * code stays correct where requests and Plug and Play meet on two threads. */
#include <ntddk.h>

#include "usbprint_sim_protocol.h"
#include "../simulator_marker.h"

PI_SIMULATOR_MARKER("the simulated USB printer bus driver");

int __cdecl _snwprintf(wchar_t *buffer, size_t count, const wchar_t *format, ...);

/* "PiSm" as the pool shows it. */
#define POOL_TAG 0x6d536950u

static const GUID kUsbPrintInterface = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

enum device_kind { KIND_CONTROL = 0x51c0, KIND_BUS, KIND_PRINTER, KIND_QUEUE };

struct printer;

struct device_ext {
    enum device_kind kind;
    struct printer *printer;     /* KIND_PRINTER, KIND_QUEUE */
    DEVICE_OBJECT *lower;        /* KIND_BUS: the root device below */
};

struct printer {
    LIST_ENTRY entry;
    usbprint_sim_printer config;
    usbprint_sim_status status;
    DEVICE_OBJECT *pdo;       /* the USB device; NULL once removed */
    DEVICE_OBJECT *queue_pdo; /* its USBPRINT child */
    UNICODE_STRING link;      /* the interface's symbolic link */
    WCHAR pdo_name[64];       /* the USB device's object name, its target */
    BOOLEAN enabled;
    BOOLEAN link_deleted;     /* vanished: the link is gone, the interface not */
    LIST_ENTRY pending;       /* device ID requests not yet ended */
};

/* A request that has been cancelled waits in the pending list, marked so,
 * until its delayed end. */
#define REQUEST_CANCELLED ((void *)1)

static KSPIN_LOCK g_lock;
static LIST_ENTRY g_printers;
static DEVICE_OBJECT *g_control;
static DEVICE_OBJECT *g_bus_pdo; /* the root device our bus sits on */
static DRIVER_OBJECT *g_driver;
static LONG g_device_number;

static struct device_ext *ext_of(DEVICE_OBJECT *device) { return device->DeviceExtension; }

static NTSTATUS complete(IRP *irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static size_t wide_length(const unsigned short *text, size_t capacity)
{
    size_t n = 0;
    while (n < capacity && text[n]) ++n;
    return n;
}

static BOOLEAN same_serial(const unsigned short *a, const unsigned short *b)
{
    size_t i;
    for (i = 0; i < USBPRINT_SIM_SERIAL_CHARS; ++i) {
        if (a[i] != b[i]) return FALSE;
        if (!a[i]) return TRUE;
    }
    return TRUE;
}

/* Copies a zero-terminated text of at most `capacity` characters; its length. */
static size_t copy_text(WCHAR *to, const unsigned short *from, size_t capacity)
{
    const size_t n = wide_length(from, capacity);
    RtlCopyMemory(to, from, n * sizeof(WCHAR));
    return n;
}

/* A pool copy of `count` wide characters followed by `zeros` zero characters,
 * as the Plug and Play manager frees ID answers. */
static WCHAR *pool_text(const WCHAR *text, size_t count, size_t zeros)
{
    WCHAR *copy = ExAllocatePoolWithTag(PagedPool, (count + zeros) * sizeof(WCHAR), POOL_TAG);
    if (!copy) return NULL;
    RtlCopyMemory(copy, text, count * sizeof(WCHAR));
    RtlZeroMemory(copy + count, zeros * sizeof(WCHAR));
    return copy;
}

/* --- Device ID requests ------------------------------------------------- */

/* A pending request carries a number of its own, so that a worker whose
 * request has ended never mistakes a newer one at the same address for it. */
static LONG g_request_number;
#define REQUEST_NUMBER(irp) ((irp)->Tail.Overlay.DriverContext[1])

struct later {
    PIO_WORKITEM item;
    IRP *irp;
    void *number;
    NTSTATUS status; /* STATUS_CANCELLED, or STATUS_SUCCESS for a late answer */
    ULONG delay_ms;
};

static BOOLEAN is_listed(struct printer *p, IRP *irp, void *number)
{
    LIST_ENTRY *e;
    for (e = p->pending.Flink; e != &p->pending; e = e->Flink)
        if (CONTAINING_RECORD(e, IRP, Tail.Overlay.ListEntry) == irp && REQUEST_NUMBER(irp) == number) return TRUE;
    return FALSE;
}

/* Ends a request this code owns (out of the pending list, no cancel routine). */
static void finish_request(struct printer *p, IRP *irp, NTSTATUS status)
{
    ULONG_PTR returned = 0;
    KIRQL irql;
    KeAcquireSpinLock(&g_lock, &irql);
    if (status == STATUS_SUCCESS) {
        IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
        ULONG capacity = stack->Parameters.DeviceIoControl.OutputBufferLength;
        returned = p->config.id_length < capacity ? p->config.id_length : capacity;
        RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, p->config.id, returned);
        ++p->status.id_answered;
    } else if (status == STATUS_CANCELLED) {
        ++p->status.id_cancelled;
    }
    KeReleaseSpinLock(&g_lock, irql);
    complete(irp, status, returned);
}

static void NTAPI later_worker(DEVICE_OBJECT *device, void *context)
{
    struct later *later = context;
    struct printer *p = ext_of(device)->printer;
    BOOLEAN own = FALSE;
    KIRQL irql;
    LARGE_INTEGER wait;

    wait.QuadPart = -(LONGLONG)later->delay_ms * 10000;
    KeDelayExecutionThread(KernelMode, FALSE, &wait);

    KeAcquireSpinLock(&g_lock, &irql);
    if (is_listed(p, later->irp, later->number)) {
        void *mark = later->irp->Tail.Overlay.DriverContext[0];
        if (later->status == STATUS_CANCELLED)
            own = mark == REQUEST_CANCELLED;
        else
            /* A late answer loses against a cancellation under way. */
            own = mark != REQUEST_CANCELLED && IoSetCancelRoutine(later->irp, NULL) != NULL;
        if (own) {
            RemoveEntryList(&later->irp->Tail.Overlay.ListEntry);
            --p->status.id_pending;
        }
    }
    KeReleaseSpinLock(&g_lock, irql);
    if (own) finish_request(p, later->irp, later->status);
    IoFreeWorkItem(later->item);
    ExFreePoolWithTag(later, POOL_TAG);
}

/* Ends the request of that number after `delay_ms` on a worker, unless
 * something else ends it first; false when no worker can be had. */
static BOOLEAN end_later(DEVICE_OBJECT *device, IRP *irp, void *number, NTSTATUS status, ULONG delay_ms)
{
    struct later *later = ExAllocatePoolWithTag(NonPagedPool, sizeof(*later), POOL_TAG);
    if (!later) return FALSE;
    if (!(later->item = IoAllocateWorkItem(device))) {
        ExFreePoolWithTag(later, POOL_TAG);
        return FALSE;
    }
    later->irp = irp;
    later->number = number;
    later->status = status;
    later->delay_ms = delay_ms;
    IoQueueWorkItem(later->item, later_worker, DelayedWorkQueue, later);
    return TRUE;
}

static void NTAPI cancel_request(DEVICE_OBJECT *device, IRP *irp)
{
    struct printer *p = ext_of(device)->printer;
    void *number;
    ULONG delay;
    KIRQL irql;

    IoReleaseCancelSpinLock(irp->CancelIrql);
    KeAcquireSpinLock(&g_lock, &irql);
    irp->Tail.Overlay.DriverContext[0] = REQUEST_CANCELLED;
    number = REQUEST_NUMBER(irp);
    delay = p->config.cancel_delay_ms;
    KeReleaseSpinLock(&g_lock, irql);
    if (delay && end_later(device, irp, number, STATUS_CANCELLED, delay)) return;

    KeAcquireSpinLock(&g_lock, &irql);
    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    --p->status.id_pending;
    KeReleaseSpinLock(&g_lock, irql);
    finish_request(p, irp, STATUS_CANCELLED);
}

static NTSTATUS device_id_request(DEVICE_OBJECT *device, struct printer *p, IRP *irp)
{
    usbprint_sim_printer *c = &p->config;
    void *number;
    KIRQL irql;

    KeAcquireSpinLock(&g_lock, &irql);
    ++p->status.id_requests;
    if (!p->status.started) {
        KeReleaseSpinLock(&g_lock, irql);
        return complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    }
    if (c->answer == USBPRINT_SIM_ANSWER_FAIL) {
        ++p->status.id_failed;
        KeReleaseSpinLock(&g_lock, irql);
        return complete(irp, STATUS_IO_DEVICE_ERROR, 0);
    }
    if (c->answer == USBPRINT_SIM_ANSWER_ID && c->answer_delay_ms == 0) {
        KeReleaseSpinLock(&g_lock, irql);
        finish_request(p, irp, STATUS_SUCCESS);
        return STATUS_SUCCESS;
    }
    IoMarkIrpPending(irp);
    irp->Tail.Overlay.DriverContext[0] = NULL;
    number = (void *)(ULONG_PTR)(ULONG)InterlockedIncrement(&g_request_number);
    REQUEST_NUMBER(irp) = number;
    IoSetCancelRoutine(irp, cancel_request);
    if (irp->Cancel && IoSetCancelRoutine(irp, NULL)) {
        KeReleaseSpinLock(&g_lock, irql);
        finish_request(p, irp, STATUS_CANCELLED);
        return STATUS_PENDING;
    }
    InsertTailList(&p->pending, &irp->Tail.Overlay.ListEntry);
    ++p->status.id_pending;
    KeReleaseSpinLock(&g_lock, irql);
    /* The request may have ended meanwhile: the worker finds it by its
     * number only.  A delayed answer that cannot be scheduled stays pending
     * until cancelled, like a printer that never answers. */
    if (c->answer == USBPRINT_SIM_ANSWER_ID) end_later(device, irp, number, STATUS_SUCCESS, c->answer_delay_ms);
    return STATUS_PENDING;
}

/* Fails every request still pending when the printer goes away. */
static void drop_pending(struct printer *p)
{
    LIST_ENTRY dropped;
    LIST_ENTRY *e;
    KIRQL irql;

    InitializeListHead(&dropped);
    KeAcquireSpinLock(&g_lock, &irql);
    for (e = p->pending.Flink; e != &p->pending;) {
        IRP *irp = CONTAINING_RECORD(e, IRP, Tail.Overlay.ListEntry);
        e = e->Flink;
        if (irp->Tail.Overlay.DriverContext[0] != REQUEST_CANCELLED && IoSetCancelRoutine(irp, NULL)) {
            RemoveEntryList(&irp->Tail.Overlay.ListEntry);
            --p->status.id_pending;
            InsertTailList(&dropped, &irp->Tail.Overlay.ListEntry);
        }
    }
    KeReleaseSpinLock(&g_lock, irql);
    while (!IsListEmpty(&dropped)) {
        IRP *irp = CONTAINING_RECORD(RemoveHeadList(&dropped), IRP, Tail.Overlay.ListEntry);
        complete(irp, STATUS_DEVICE_REMOVED, 0);
    }
}

/* --- The printer's Plug and Play life ----------------------------------- */

/* The Device Parameters key below the interface's "#" key, which the
 * interface's registration created.  The kernel's own way to it
 * (IoOpenDeviceInterfaceRegistryKey) is not there in Wine, so the path is
 * made from the symbolic link as Windows lays the class key out. */
static NTSTATUS write_device_parameters(struct printer *p)
{
    static const WCHAR prefix[] =
        L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\DeviceClasses\\"
        L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\##?#";
    static const WCHAR suffix[] = L"\\#\\Device Parameters";
    static const WCHAR base_name[] = L"USB";
    const size_t link_chars = p->link.Length / sizeof(WCHAR);
    const size_t prefix_chars = sizeof(prefix) / sizeof(WCHAR) - 1;
    const size_t suffix_chars = sizeof(suffix) / sizeof(WCHAR) - 1;
    UNICODE_STRING name, value;
    OBJECT_ATTRIBUTES attr;
    HANDLE key;
    WCHAR *path;
    NTSTATUS status;
    size_t at;

    /* \??\USB#VID_...#{...}: the key names the link after its "\??\". */
    if (link_chars <= 4) return STATUS_INVALID_PARAMETER;
    path = ExAllocatePoolWithTag(PagedPool, (prefix_chars + link_chars + suffix_chars + 1) * sizeof(WCHAR),
                                 POOL_TAG);
    if (!path) return STATUS_INSUFFICIENT_RESOURCES;
    RtlCopyMemory(path, prefix, prefix_chars * sizeof(WCHAR));
    at = prefix_chars;
    RtlCopyMemory(path + at, p->link.Buffer + 4, (link_chars - 4) * sizeof(WCHAR));
    at += link_chars - 4;
    RtlCopyMemory(path + at, suffix, (suffix_chars + 1) * sizeof(WCHAR));

    RtlInitUnicodeString(&name, path);
    InitializeObjectAttributes(&attr, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    status = ZwCreateKey(&key, KEY_ALL_ACCESS, &attr, 0, NULL, REG_OPTION_NON_VOLATILE, NULL);
    ExFreePoolWithTag(path, POOL_TAG);
    if (!NT_SUCCESS(status)) return status;
    if (p->config.port_number >= 0) {
        ULONG number = (ULONG)p->config.port_number;
        RtlInitUnicodeString(&value, L"Port Number");
        status = ZwSetValueKey(key, &value, 0, REG_DWORD, &number, sizeof(number));
    }
    if (NT_SUCCESS(status)) {
        RtlInitUnicodeString(&value, L"Base Name");
        status = ZwSetValueKey(key, &value, 0, REG_SZ, (void *)base_name, sizeof(base_name));
    }
    ZwClose(key);
    return status;
}

static NTSTATUS create_pdo(struct printer *p, enum device_kind kind, DEVICE_OBJECT **pdo)
{
    WCHAR buffer[sizeof(p->pdo_name) / sizeof(WCHAR)];
    UNICODE_STRING name;
    NTSTATUS status;
    struct device_ext *ext;

    _snwprintf(buffer, sizeof(buffer) / sizeof(WCHAR) - 1, L"\\Device\\PiUsbPrintSimulator%ld",
               (long)InterlockedIncrement(&g_device_number));
    buffer[sizeof(buffer) / sizeof(WCHAR) - 1] = 0;
    RtlInitUnicodeString(&name, buffer);
    status = IoCreateDevice(g_driver, sizeof(struct device_ext), &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN,
                            FALSE, pdo);
    if (!NT_SUCCESS(status)) return status;
    if (kind == KIND_PRINTER) RtlCopyMemory(p->pdo_name, buffer, sizeof(buffer));
    ext = ext_of(*pdo);
    ext->kind = kind;
    ext->printer = p;
    ext->lower = NULL;
    (*pdo)->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static NTSTATUS start_printer(struct printer *p)
{
    NTSTATUS status;
    DEVICE_OBJECT *queue = NULL;
    BOOLEAN report_queue = FALSE;
    KIRQL irql;

    if (!p->link.Buffer) {
        status = IoRegisterDeviceInterface(p->pdo, &kUsbPrintInterface, NULL, &p->link);
        if (!NT_SUCCESS(status)) return status;
    }
    /* The port is written before the interface appears, so that a program
     * that finds the interface always finds its port. */
    status = write_device_parameters(p);
    if (!NT_SUCCESS(status)) return status;
    if (!p->enabled) {
        status = IoSetDeviceInterfaceState(&p->link, TRUE);
        if (!NT_SUCCESS(status)) return status;
        KeAcquireSpinLock(&g_lock, &irql);
        p->enabled = TRUE;
        KeReleaseSpinLock(&g_lock, irql);
    }
    if (p->config.print_hardware_id[0] && !p->queue_pdo && NT_SUCCESS(create_pdo(p, KIND_QUEUE, &queue)))
        report_queue = TRUE;
    KeAcquireSpinLock(&g_lock, &irql);
    p->status.started = 1;
    if (report_queue) p->queue_pdo = queue;
    KeReleaseSpinLock(&g_lock, irql);
    if (report_queue) IoInvalidateDeviceRelations(p->pdo, BusRelations);
    return STATUS_SUCCESS;
}

/* Switched off or gone: the interface goes first, so that no program finds
 * a printer that no longer answers; then what it was asked fails. */
static void stop_printer(struct printer *p)
{
    BOOLEAN enabled, link_deleted;
    KIRQL irql;
    KeAcquireSpinLock(&g_lock, &irql);
    p->status.started = 0;
    enabled = p->enabled;
    link_deleted = p->link_deleted;
    p->enabled = FALSE;
    p->link_deleted = FALSE;
    KeReleaseSpinLock(&g_lock, irql);
    if (enabled && link_deleted) {
        /* Disabling the interface deletes its link, which must be there. */
        UNICODE_STRING target;
        RtlInitUnicodeString(&target, p->pdo_name);
        IoCreateSymbolicLink(&p->link, &target);
    }
    if (enabled) IoSetDeviceInterfaceState(&p->link, FALSE);
    drop_pending(p);
}

/* Answers IRP_MN_QUERY_ID for the USB device or its USBPRINT child. */
static NTSTATUS query_id(struct printer *p, enum device_kind kind, BUS_QUERY_ID_TYPE type, ULONG_PTR *answer)
{
    const usbprint_sim_printer *c = &p->config;
    const BOOLEAN usb = kind == KIND_PRINTER;
    WCHAR text[2 * USBPRINT_SIM_HARDWARE_ID_CHARS + 8];
    size_t chars = 0;
    const size_t room = sizeof(text) / sizeof(WCHAR) - 2;
    WCHAR *copy;

    RtlZeroMemory(text, sizeof(text));
    switch (type) {
        case BusQueryDeviceID:
            chars = usb ? (size_t)_snwprintf(text, room, L"USB\\VID_%04X&PID_%04X", c->vid, c->pid)
                        : copy_text(text, c->print_hardware_id, USBPRINT_SIM_HARDWARE_ID_CHARS);
            break;
        case BusQueryInstanceID:
            chars = copy_text(text, c->serial, USBPRINT_SIM_SERIAL_CHARS);
            break;
        case BusQueryHardwareIDs:
            if (usb) {
                chars = (size_t)_snwprintf(text, room, L"USB\\VID_%04X&PID_%04X&REV_0100", c->vid, c->pid) + 1;
                chars += (size_t)_snwprintf(text + chars, room - chars, L"USB\\VID_%04X&PID_%04X", c->vid, c->pid) + 1;
            } else {
                chars = copy_text(text, c->print_hardware_id, USBPRINT_SIM_HARDWARE_ID_CHARS) + 1;
            }
            break;
        case BusQueryCompatibleIDs:
            break;
        default:
            return STATUS_NOT_SUPPORTED;
    }
    /* Lists end with an empty string, single IDs with their terminator. */
    copy = pool_text(text, chars, type == BusQueryHardwareIDs || type == BusQueryCompatibleIDs ? 2 : 1);
    if (!copy) return STATUS_INSUFFICIENT_RESOURCES;
    *answer = (ULONG_PTR)copy;
    return STATUS_SUCCESS;
}

static NTSTATUS child_pnp(DEVICE_OBJECT *device, IRP *irp)
{
    struct device_ext *ext = ext_of(device);
    struct printer *p = ext->printer;
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status = irp->IoStatus.Status;
    ULONG_PTR information = irp->IoStatus.Information;
    KIRQL irql;

    switch (stack->MinorFunction) {
        case IRP_MN_QUERY_ID:
            status = query_id(p, ext->kind, stack->Parameters.QueryId.IdType, &information);
            break;
        case IRP_MN_QUERY_CAPABILITIES: {
            DEVICE_CAPABILITIES *caps = stack->Parameters.DeviceCapabilities.Capabilities;
            /* Raw: usable without a function driver of its own, as the
             * printing driver's device is to programs. */
            caps->RawDeviceOK = 1;
            caps->Removable = 1;
            caps->SurpriseRemovalOK = 1;
            caps->UniqueID = 1;
            status = STATUS_SUCCESS;
            break;
        }
        case IRP_MN_START_DEVICE:
            if (ext->kind == KIND_PRINTER) {
                status = start_printer(p);
            } else {
                KeAcquireSpinLock(&g_lock, &irql);
                p->status.print_started = 1;
                KeReleaseSpinLock(&g_lock, irql);
                status = STATUS_SUCCESS;
            }
            break;
        case IRP_MN_QUERY_DEVICE_RELATIONS:
            if (stack->Parameters.QueryDeviceRelations.Type == BusRelations && ext->kind == KIND_PRINTER) {
                DEVICE_RELATIONS *relations =
                    ExAllocatePoolWithTag(PagedPool, sizeof(DEVICE_RELATIONS), POOL_TAG);
                if (!relations) {
                    status = STATUS_INSUFFICIENT_RESOURCES;
                    break;
                }
                KeAcquireSpinLock(&g_lock, &irql);
                relations->Count = 0;
                if (p->queue_pdo) {
                    ObReferenceObject(p->queue_pdo);
                    relations->Objects[relations->Count++] = p->queue_pdo;
                }
                KeReleaseSpinLock(&g_lock, irql);
                information = (ULONG_PTR)relations;
                status = STATUS_SUCCESS;
            }
            break;
        case IRP_MN_SURPRISE_REMOVAL:
            if (ext->kind == KIND_PRINTER) stop_printer(p);
            status = STATUS_SUCCESS;
            break;
        case IRP_MN_REMOVE_DEVICE: {
            BOOLEAN gone;
            if (ext->kind == KIND_PRINTER) stop_printer(p);
            KeAcquireSpinLock(&g_lock, &irql);
            /* Only a device its bus no longer reports goes for good. */
            gone = !p->status.plugged;
            if (gone && ext->kind == KIND_PRINTER) {
                p->status.removed = 1;
                p->pdo = NULL;
            }
            if (gone && ext->kind == KIND_QUEUE) p->queue_pdo = NULL;
            KeReleaseSpinLock(&g_lock, irql);
            if (gone) IoDeleteDevice(device);
            status = STATUS_SUCCESS;
            break;
        }
        default:
            break;
    }
    return complete(irp, status, information);
}

/* --- The bus ------------------------------------------------------------ */

static DEVICE_RELATIONS *plugged_printers(void)
{
    DEVICE_RELATIONS *relations;
    LIST_ENTRY *e;
    ULONG count = 0, room;
    KIRQL irql;

    KeAcquireSpinLock(&g_lock, &irql);
    for (e = g_printers.Flink; e != &g_printers; e = e->Flink)
        if (CONTAINING_RECORD(e, struct printer, entry)->status.plugged) ++count;
    KeReleaseSpinLock(&g_lock, irql);
    room = count + 4; /* plugged meanwhile ones wait for the next report */
    relations = ExAllocatePoolWithTag(PagedPool, sizeof(DEVICE_RELATIONS) + room * sizeof(DEVICE_OBJECT *), POOL_TAG);
    if (!relations) return NULL;
    relations->Count = 0;
    KeAcquireSpinLock(&g_lock, &irql);
    for (e = g_printers.Flink; e != &g_printers && relations->Count < room; e = e->Flink) {
        struct printer *p = CONTAINING_RECORD(e, struct printer, entry);
        if (!p->status.plugged || !p->pdo) continue;
        ObReferenceObject(p->pdo);
        relations->Objects[relations->Count++] = p->pdo;
    }
    KeReleaseSpinLock(&g_lock, irql);
    return relations;
}

static NTSTATUS bus_pnp(DEVICE_OBJECT *device, IRP *irp)
{
    struct device_ext *ext = ext_of(device);
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    DEVICE_OBJECT *lower = ext->lower;
    NTSTATUS status;

    if (stack->MinorFunction == IRP_MN_QUERY_DEVICE_RELATIONS &&
        stack->Parameters.QueryDeviceRelations.Type == BusRelations) {
        DEVICE_RELATIONS *relations = plugged_printers();
        if (!relations) return complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
        irp->IoStatus.Status = STATUS_SUCCESS;
        irp->IoStatus.Information = (ULONG_PTR)relations;
    }
    if (stack->MinorFunction == IRP_MN_START_DEVICE) irp->IoStatus.Status = STATUS_SUCCESS;
    IoSkipCurrentIrpStackLocation(irp);
    status = IoCallDriver(lower, irp);
    if (stack->MinorFunction == IRP_MN_REMOVE_DEVICE) {
        KIRQL irql;
        KeAcquireSpinLock(&g_lock, &irql);
        g_bus_pdo = NULL;
        KeReleaseSpinLock(&g_lock, irql);
        IoDetachDevice(lower);
        IoDeleteDevice(device);
    }
    return status;
}

static NTSTATUS NTAPI add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *pdo)
{
    DEVICE_OBJECT *fdo;
    struct device_ext *ext;
    NTSTATUS status;
    KIRQL irql;

    if (g_bus_pdo) return STATUS_DEVICE_ALREADY_ATTACHED;
    status = IoCreateDevice(driver, sizeof(struct device_ext), NULL, FILE_DEVICE_BUS_EXTENDER, FILE_DEVICE_SECURE_OPEN,
                            FALSE, &fdo);
    if (!NT_SUCCESS(status)) return status;
    ext = ext_of(fdo);
    ext->kind = KIND_BUS;
    ext->printer = NULL;
    ext->lower = IoAttachDeviceToDeviceStack(fdo, pdo);
    if (!ext->lower) {
        IoDeleteDevice(fdo);
        return STATUS_NO_SUCH_DEVICE;
    }
    KeAcquireSpinLock(&g_lock, &irql);
    g_bus_pdo = pdo;
    KeReleaseSpinLock(&g_lock, irql);
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

/* --- The control device ------------------------------------------------- */

static struct printer *find_printer(const unsigned short *serial)
{
    LIST_ENTRY *e;
    for (e = g_printers.Flink; e != &g_printers; e = e->Flink) {
        struct printer *p = CONTAINING_RECORD(e, struct printer, entry);
        if (same_serial(p->config.serial, serial)) return p;
    }
    return NULL;
}

static DEVICE_OBJECT *bus_to_report(void)
{
    DEVICE_OBJECT *bus;
    KIRQL irql;
    KeAcquireSpinLock(&g_lock, &irql);
    bus = g_bus_pdo;
    KeReleaseSpinLock(&g_lock, irql);
    return bus;
}

static NTSTATUS plug(const usbprint_sim_printer *config)
{
    struct printer *p, *fresh = NULL;
    DEVICE_OBJECT *pdo, *bus;
    NTSTATUS status;
    KIRQL irql;

    if (!config->serial[0] || wide_length(config->serial, USBPRINT_SIM_SERIAL_CHARS) == USBPRINT_SIM_SERIAL_CHARS ||
        wide_length(config->print_hardware_id, USBPRINT_SIM_HARDWARE_ID_CHARS) == USBPRINT_SIM_HARDWARE_ID_CHARS ||
        config->id_length > USBPRINT_SIM_ID_BYTES || config->answer > USBPRINT_SIM_ANSWER_FAIL)
        return STATUS_INVALID_PARAMETER;
    if (!(bus = bus_to_report())) return STATUS_DEVICE_NOT_READY;

    KeAcquireSpinLock(&g_lock, &irql);
    p = find_printer(config->serial);
    KeReleaseSpinLock(&g_lock, irql);
    if (p && (p->status.plugged || p->pdo)) return STATUS_OBJECT_NAME_COLLISION;
    if (!p) {
        if (!(fresh = ExAllocatePoolWithTag(NonPagedPool, sizeof(*fresh), POOL_TAG))) return STATUS_INSUFFICIENT_RESOURCES;
        RtlZeroMemory(fresh, sizeof(*fresh));
        InitializeListHead(&fresh->pending);
        p = fresh;
    } else if (p->link.Buffer) {
        RtlFreeUnicodeString(&p->link);
        p->link.Buffer = NULL;
    }
    p->config = *config;
    RtlZeroMemory(&p->status, sizeof(p->status));
    p->enabled = FALSE;
    p->link_deleted = FALSE;
    p->queue_pdo = NULL;
    status = create_pdo(p, KIND_PRINTER, &pdo);
    if (!NT_SUCCESS(status)) {
        if (fresh) ExFreePoolWithTag(fresh, POOL_TAG);
        return status;
    }
    KeAcquireSpinLock(&g_lock, &irql);
    p->pdo = pdo;
    p->status.plugged = 1;
    if (fresh) InsertTailList(&g_printers, &fresh->entry);
    KeReleaseSpinLock(&g_lock, irql);
    IoInvalidateDeviceRelations(bus, BusRelations);
    return STATUS_SUCCESS;
}

static NTSTATUS unplug(const unsigned short *serial)
{
    LIST_ENTRY *e;
    DEVICE_OBJECT *bus;
    BOOLEAN any = FALSE;
    KIRQL irql;

    KeAcquireSpinLock(&g_lock, &irql);
    for (e = g_printers.Flink; e != &g_printers; e = e->Flink) {
        struct printer *p = CONTAINING_RECORD(e, struct printer, entry);
        if (serial[0] && !same_serial(p->config.serial, serial)) continue;
        if (p->status.plugged) any = TRUE;
        p->status.plugged = 0;
    }
    KeReleaseSpinLock(&g_lock, irql);
    if (any && (bus = bus_to_report())) IoInvalidateDeviceRelations(bus, BusRelations);
    return STATUS_SUCCESS;
}

static NTSTATUS control_request(IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
    void *buffer = irp->AssociatedIrp.SystemBuffer;

    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
        case IOCTL_USBPRINT_SIM_PLUG:
            if (in != sizeof(usbprint_sim_printer)) return complete(irp, STATUS_INVALID_PARAMETER, 0);
            return complete(irp, plug(buffer), 0);
        case IOCTL_USBPRINT_SIM_UNPLUG: {
            usbprint_sim_serial serial;
            if (in != sizeof(serial)) return complete(irp, STATUS_INVALID_PARAMETER, 0);
            RtlCopyMemory(&serial, buffer, sizeof(serial));
            serial.serial[USBPRINT_SIM_SERIAL_CHARS - 1] = 0;
            return complete(irp, unplug(serial.serial), 0);
        }
        case IOCTL_USBPRINT_SIM_QUERY: {
            usbprint_sim_serial serial;
            struct printer *p;
            usbprint_sim_status status;
            BOOLEAN found = TRUE;
            KIRQL irql;
            if (in != sizeof(serial) || out != sizeof(status)) return complete(irp, STATUS_INVALID_PARAMETER, 0);
            RtlCopyMemory(&serial, buffer, sizeof(serial));
            serial.serial[USBPRINT_SIM_SERIAL_CHARS - 1] = 0;
            KeAcquireSpinLock(&g_lock, &irql);
            if (serial.serial[0]) {
                p = find_printer(serial.serial);
                found = p != NULL;
                if (p) status = p->status;
            } else {
                LIST_ENTRY *e;
                RtlZeroMemory(&status, sizeof(status));
                for (e = g_printers.Flink; e != &g_printers; e = e->Flink) {
                    struct printer *each = CONTAINING_RECORD(e, struct printer, entry);
                    status.plugged += each->status.plugged;
                    status.started += each->pdo != NULL;
                }
            }
            KeReleaseSpinLock(&g_lock, irql);
            if (!found) return complete(irp, STATUS_OBJECT_NAME_NOT_FOUND, 0);
            RtlCopyMemory(buffer, &status, sizeof(status));
            return complete(irp, STATUS_SUCCESS, sizeof(status));
        }
        default:
            return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

/* --- Dispatch ----------------------------------------------------------- */

static NTSTATUS NTAPI dispatch_create(DEVICE_OBJECT *device, IRP *irp)
{
    struct device_ext *ext = ext_of(device);
    if (ext->kind == KIND_PRINTER) {
        struct printer *p = ext->printer;
        BOOLEAN vanish = FALSE;
        KIRQL irql;
        KeAcquireSpinLock(&g_lock, &irql);
        ++p->status.opens;
        if (++p->status.open_now > p->status.open_max) p->status.open_max = p->status.open_now;
        if (p->config.vanish_after_opens && p->status.opens == p->config.vanish_after_opens && p->enabled) {
            p->status.vanished = 1;
            p->link_deleted = TRUE;
            vanish = TRUE;
        }
        KeReleaseSpinLock(&g_lock, irql);
        /* This open has found the device already; the next ones will not,
         * since the program's open waits for this answer. */
        if (vanish) IoDeleteSymbolicLink(&p->link);
    }
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI dispatch_close(DEVICE_OBJECT *device, IRP *irp)
{
    struct device_ext *ext = ext_of(device);
    if (ext->kind == KIND_PRINTER) {
        struct printer *p = ext->printer;
        FILE_OBJECT *file = IoGetCurrentIrpStackLocation(irp)->FileObject;
        LIST_ENTRY *e;
        KIRQL irql;
        KeAcquireSpinLock(&g_lock, &irql);
        ++p->status.closes;
        if (p->status.open_now) --p->status.open_now;
        for (e = p->pending.Flink; e != &p->pending; e = e->Flink)
            if (CONTAINING_RECORD(e, IRP, Tail.Overlay.ListEntry)->Tail.Overlay.OriginalFileObject == file)
                ++p->status.closed_before_completion;
        KeReleaseSpinLock(&g_lock, irql);
    }
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI dispatch_device_control(DEVICE_OBJECT *device, IRP *irp)
{
    struct device_ext *ext = ext_of(device);
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    if (ext->kind == KIND_CONTROL) return control_request(irp);
    if (ext->kind == KIND_PRINTER) {
        if (stack->Parameters.DeviceIoControl.IoControlCode == USBPRINT_SIM_IOCTL_GET_1284_ID)
            return device_id_request(device, ext->printer, irp);
        {
            KIRQL irql;
            KeAcquireSpinLock(&g_lock, &irql);
            ++ext->printer->status.other_requests;
            KeReleaseSpinLock(&g_lock, irql);
        }
    }
    return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

static NTSTATUS NTAPI dispatch_pnp(DEVICE_OBJECT *device, IRP *irp)
{
    struct device_ext *ext = ext_of(device);
    if (ext->kind == KIND_BUS) return bus_pnp(device, irp);
    if (ext->kind == KIND_PRINTER || ext->kind == KIND_QUEUE) return child_pnp(device, irp);
    return complete(irp, STATUS_NOT_SUPPORTED, 0);
}

static void NTAPI unload(DRIVER_OBJECT *driver)
{
    UNICODE_STRING link;
    (void)driver;
    RtlInitUnicodeString(&link, USBPRINT_SIM_CONTROL_LINK);
    IoDeleteSymbolicLink(&link);
    if (g_control) IoDeleteDevice(g_control);
    g_control = NULL;
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registry)
{
    UNICODE_STRING name, link;
    NTSTATUS status;
    (void)registry;

    g_driver = driver;
    KeInitializeSpinLock(&g_lock);
    InitializeListHead(&g_printers);
    driver->DriverExtension->AddDevice = add_device;
    driver->MajorFunction[IRP_MJ_CREATE] = dispatch_create;
    driver->MajorFunction[IRP_MJ_CLOSE] = dispatch_close;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatch_device_control;
    driver->MajorFunction[IRP_MJ_PNP] = dispatch_pnp;
    driver->DriverUnload = unload;

    RtlInitUnicodeString(&name, USBPRINT_SIM_CONTROL_DEVICE);
    status = IoCreateDevice(driver, sizeof(struct device_ext), &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN,
                            FALSE, &g_control);
    if (!NT_SUCCESS(status)) return status;
    ext_of(g_control)->kind = KIND_CONTROL;
    ext_of(g_control)->printer = NULL;
    ext_of(g_control)->lower = NULL;
    RtlInitUnicodeString(&link, USBPRINT_SIM_CONTROL_LINK);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(g_control);
        g_control = NULL;
        return status;
    }
    g_control->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
