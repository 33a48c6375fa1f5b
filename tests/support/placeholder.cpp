// Keeps the support library non-empty until the first helper lands.
