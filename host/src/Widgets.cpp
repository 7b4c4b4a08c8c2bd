// The widget library: widgets, their hierarchy, messages and input.
