// Placeholder so an empty subsystem still makes a library.
