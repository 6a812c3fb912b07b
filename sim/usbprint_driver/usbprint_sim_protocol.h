/* SIMULATOR: what the simulated USB printer bus driver and its control side
 * share.  Plain C with fixed-size fields, so that the kernel driver (built
 * against the DDK headers) and the Windows programs (built against the SDK
 * headers) see the same layout. */
#ifndef USBPRINT_SIM_PROTOCOL_H
#define USBPRINT_SIM_PROTOCOL_H

/* The service, the hardware ID of its root-enumerated bus device and the
 * control device through which printers are plugged and unplugged. */
#define USBPRINT_SIM_SERVICE L"PiUsbPrintSimulator"
#define USBPRINT_SIM_BUS_HARDWARE_ID L"Root\\PiUsbPrintSimulator"
#define USBPRINT_SIM_CONTROL_DEVICE L"\\Device\\PiUsbPrintSimulator"
#define USBPRINT_SIM_CONTROL_LINK L"\\DosDevices\\PiUsbPrintSimulator"
#define USBPRINT_SIM_CONTROL_PATH L"\\\\.\\PiUsbPrintSimulator"

/* CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS) */
#define USBPRINT_SIM_CTL(function) ((0x22u << 16) | ((function) << 2))
/* in: usbprint_sim_printer.  Fails when a printer of that serial number is
 * plugged in already. */
#define IOCTL_USBPRINT_SIM_PLUG USBPRINT_SIM_CTL(0x900u)
/* in: usbprint_sim_serial (an empty serial number: every printer). */
#define IOCTL_USBPRINT_SIM_UNPLUG USBPRINT_SIM_CTL(0x901u)
/* in: usbprint_sim_serial; out: usbprint_sim_status.  Fails for a serial
 * number never plugged in.  An empty serial number sums up the bus:
 * `plugged` counts the printers plugged in, `started` those whose device
 * Plug and Play has not removed yet. */
#define IOCTL_USBPRINT_SIM_QUERY USBPRINT_SIM_CTL(0x902u)

/* The request of the Windows USB printing driver for the IEEE 1284 device
 * ID: CTL_CODE(FILE_DEVICE_UNKNOWN, 13, METHOD_BUFFERED, FILE_ANY_ACCESS). */
#define USBPRINT_SIM_IOCTL_GET_1284_ID 0x220034u

/* How a printer answers the device ID request. */
enum usbprint_sim_answer {
    USBPRINT_SIM_ANSWER_ID = 0,    /* the ID bytes, after answer_delay_ms */
    USBPRINT_SIM_ANSWER_NEVER = 1, /* pending until cancelled */
    USBPRINT_SIM_ANSWER_FAIL = 2   /* at once, with a device error */
};

#define USBPRINT_SIM_SERIAL_CHARS 64
#define USBPRINT_SIM_ID_BYTES 1024
#define USBPRINT_SIM_HARDWARE_ID_CHARS 200

typedef struct usbprint_sim_serial {
    unsigned short serial[USBPRINT_SIM_SERIAL_CHARS]; /* zero-terminated */
} usbprint_sim_serial;

typedef struct usbprint_sim_printer {
    /* The USB device's instance ID under USB\VID_vvvv&PID_pppp\ (no
     * backslash); it also names the printer to the control device. */
    unsigned short serial[USBPRINT_SIM_SERIAL_CHARS];
    unsigned short vid, pid;
    /* "Port Number" of the interface's Device Parameters key; negative: the
     * value is not written. */
    int port_number;
    unsigned int answer;          /* enum usbprint_sim_answer */
    unsigned int answer_delay_ms; /* USBPRINT_SIM_ANSWER_ID only */
    /* How long a cancelled request stays with the printer before it ends:
     * a caller that frees its request without waiting for that end is seen
     * as a close arriving first (closed_before_completion). */
    unsigned int cancel_delay_ms;
    /* After this many opens the printer's device path stops opening, as if
     * it had vanished while its bus still reports it and its interface entry
     * stays linked (0: never).  The open that reaches the count succeeds. */
    unsigned int vanish_after_opens;
    unsigned int id_length; /* bytes of id used */
    /* The answer exactly as the printer sends it: two length bytes, most
     * significant first, and the ID text. */
    unsigned char id[USBPRINT_SIM_ID_BYTES];
    /* Hardware ID of the printer's USBPRINT child, such as
     * USBPRINT\OrvaneVP-77305E31; empty: no child. */
    unsigned short print_hardware_id[USBPRINT_SIM_HARDWARE_ID_CHARS];
} usbprint_sim_printer;

typedef struct usbprint_sim_status {
    unsigned int plugged;        /* reported on the bus */
    unsigned int started;        /* interface enabled, port written */
    unsigned int print_started;  /* the USBPRINT child was started */
    unsigned int removed;        /* Plug and Play removed the device */
    unsigned int vanished;       /* vanish_after_opens was reached */
    unsigned int opens;          /* handles opened on the device */
    unsigned int closes;         /* ... and closed again */
    unsigned int open_now;       /* handles open now */
    unsigned int open_max;       /* most handles open at one time */
    unsigned int id_requests;    /* device ID requests received */
    unsigned int id_answered;    /* ... answered with the ID */
    unsigned int id_failed;      /* ... failed at once */
    unsigned int id_pending;     /* ... waiting now */
    unsigned int id_cancelled;   /* ... ended by a cancellation */
    unsigned int closed_before_completion; /* closes while a request was still pending */
    unsigned int other_requests; /* any other device control */
} usbprint_sim_status;

#endif
