// The widget utilities: widget tables, moving, and the ready-made behaviours.
